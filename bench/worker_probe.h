#pragma once

#include <QString>
#include <QThread>

#include <ctime>

class Encoding;
class EventLog;

// One card worker on a thread of its own, driven the way the main window drives it:
// commands as queued calls, retirement by an interruption request and an end to the
// thread's event loop. Its reports are stamped into the event log on the worker
// thread, as they are emitted, so no queueing delay is counted.
class WorkerProbe {
public:
    explicit WorkerProbe(EventLog &log);
    ~WorkerProbe(); // retires the worker and waits for its thread
    WorkerProbe(const WorkerProbe &) = delete;
    WorkerProbe &operator=(const WorkerProbe &) = delete;

    void connectToReader(const QString &reader);
    void sendAPDU(const QString &reader, const QString &text);
    void sendDESFire(const QString &reader);

    // Returns the time of the request; the thread's end arrives as ThreadFinished.
    double retire();

    // CPU time the worker thread has used so far.
    double cpuMs() const;

private:
    QThread thread_;
    Encoding *worker_;
    clockid_t cpuClock_{};
};
