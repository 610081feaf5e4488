#include "window_probes.h"

#include "ui/mainwindow.h"
#include "ui/worker_threads.h"

#include <QDeadlineTimer>
#include <QThread>

#include <functional>

CommandLog::CommandLog(MainWindow *window) {
    connect(window, &MainWindow::listReaders, this, [this] { record("listReaders", {}); });
    connect(window, &MainWindow::connectToReader, this,
            [this](QString reader) { record("connectToReader", {reader}); });
    connect(window, &MainWindow::sendT0, this, [this](bool on) { record("sendT0", {on}); });
    connect(window, &MainWindow::sendT1, this, [this](bool on) { record("sendT1", {on}); });
    connect(window, &MainWindow::sendAPDU, this, [this](QString reader, QString text) {
        record("sendAPDU", {reader, text});
    });
    connect(window, &MainWindow::sendDESFire, this, [this](QString reader, bool on) {
        record("sendDESFire", {reader, on});
    });
}

QStringList CommandLog::names() const {
    QStringList result;
    for (const Command &command : commands)
        result << command.name;
    return result;
}

void CommandLog::record(const char *name, QVariantList arguments) {
    commands.append({QString::fromLatin1(name), arguments, workerThread});
}

static void runOnThread(QThread *thread, std::function<void()> body) {
    auto *context = new QObject;
    context->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, context, &QObject::deleteLater);
    QMetaObject::invokeMethod(context, body, Qt::QueuedConnection);
}

std::shared_ptr<BusySlot> occupyUntilInterrupted(QThread *thread) {
    auto slot = std::make_shared<BusySlot>();
    runOnThread(thread, [slot] {
        slot->started.release();
        QThread *self = QThread::currentThread();
        const QDeadlineTimer giveUp(10000);
        while (!self->isInterruptionRequested() && !giveUp.hasExpired())
            QThread::msleep(5);
        slot->sawInterruption = self->isInterruptionRequested();
        slot->ended.release();
    });
    return slot;
}

std::shared_ptr<BusySlot> occupyUntilReleased(QThread *thread) {
    auto slot = std::make_shared<BusySlot>();
    runOnThread(thread, [slot] {
        slot->started.release();
        slot->release.tryAcquire(1, 30000);
        slot->sawInterruption = QThread::currentThread()->isInterruptionRequested();
        slot->ended.release();
    });
    return slot;
}

WorkerThreadPin::WorkerThreadPin(MainWindow *window) {
    // Connected before any later worker, so the slot is queued ahead of the command.
    auto pin = [this] { current(); };
    connect(window, &MainWindow::listReaders, this, pin);
    connect(window, &MainWindow::connectToReader, this, pin);
    connect(window, &MainWindow::sendAPDU, this, pin);
    connect(window, &MainWindow::sendDESFire, this, pin);
}

std::shared_ptr<BusySlot> WorkerThreadPin::current() {
    QThread *thread = workerThread;
    std::shared_ptr<BusySlot> &slot = busySlots[thread];
    if (!slot) {
        slot = occupyUntilInterrupted(thread);
        connect(thread, &QObject::destroyed, this, [this, thread] { busySlots.remove(thread); });
    }
    return slot;
}
