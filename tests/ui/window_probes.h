#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSemaphore>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <memory>

class MainWindow;
class QThread;

// One command that left the window, with the worker thread that was current then.
struct Command {
    QString name;
    QVariantList arguments;
    QThread *workerThreadThen;
};

// Records every command signal of a window, in order.
class CommandLog : public QObject {
public:
    explicit CommandLog(MainWindow *window);

    QStringList names() const;

    QList<Command> commands;

private:
    void record(const char *name, QVariantList arguments);
};

// A stand-in for a long worker slot, queued to a worker thread behind whatever that
// worker was sent before. The test waits on the semaphores without running the GUI
// event loop, so no report of the real worker reaches the window meanwhile.
struct BusySlot {
    QSemaphore started;
    QSemaphore ended;
    QSemaphore release;
    std::atomic<bool> sawInterruption{false};

    bool waitUntilStarted() { return started.tryAcquire(1, 10000); }
    bool waitUntilEnded() { return ended.tryAcquire(1, 10000); }
};

// Runs until its thread is asked to stop, as the card watch does.
std::shared_ptr<BusySlot> occupyUntilInterrupted(QThread *thread);

// Ignores interruption and runs until the test releases it.
std::shared_ptr<BusySlot> occupyUntilReleased(QThread *thread);

// Keeps each worker thread that the window sends a command to busy, ahead of that
// command, as a worker inside its card watch would be. A test can then see every restart
// reach a busy thread, whatever the real worker would have done with the command.
class WorkerThreadPin : public QObject {
public:
    explicit WorkerThreadPin(MainWindow *window);

    // The slot keeping the current worker thread busy; one is queued behind the
    // worker's pending commands if the thread has none yet.
    std::shared_ptr<BusySlot> current();

private:
    QHash<QThread *, std::shared_ptr<BusySlot>> busySlots;
};
