#include "reader_wait.h"

#include "pcsc/pcsc.h"
#include "worker/card_watch.h"

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <memory>

namespace {
// How often the deadline and the caller's stop request are looked at.
constexpr int lookEveryMs = 20;
} // namespace

WaitEnd waitForCardEvent(const QByteArray &reader, CardEvent event,
                         std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    std::atomic<bool> reached{false};
    const std::unique_ptr<QThread> watcher(QThread::create([&reached, &reader, event] {
        SCARDCONTEXT context = 0; // the watch establishes it, and again if the service restarts
        {
            CardWatch watch(&context, reader);
            reached = event == CardEvent::Arrival ? watch.waitForCard() : watch.waitForRemoval();
        }
        if (context)
            pcsc::releaseContext(context);
    }));
    watcher->start();
    QThread *caller = QThread::currentThread();
    while (!watcher->wait(lookEveryMs)) {
        if (deadline.hasExpired() || caller->isInterruptionRequested())
            watcher->requestInterruption();
    }
    if (reached)
        return WaitEnd::Reached;
    return caller->isInterruptionRequested() ? WaitEnd::Interrupted : WaitEnd::TimedOut;
}
