#include "worker_probe.h"

#include "clock.h"
#include "event_log.h"
#include "worker/encoding.h"

#include <QtGlobal>

#include <pthread.h>

namespace {
constexpr int leaveLimitMs = 10000;
}

WorkerProbe::WorkerProbe(EventLog &log) : worker_(new Encoding) {
    worker_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);

    // Functor connections without a context object run on the emitting thread.
    QObject::connect(worker_, &Encoding::sendBackUIMessage, [&log](const QString &message) {
        log.record(BenchEvent::UiMessage, message);
    });
    QObject::connect(worker_, &Encoding::sendBackPopup,
                     [&log](const QString &, const QString &message) {
                         log.record(BenchEvent::Popup, message);
                     });
    QObject::connect(worker_, &Encoding::sendCardRemoved,
                     [&log] { log.record(BenchEvent::CardRemoved); });
    QObject::connect(&thread_, &QThread::finished,
                     [&log] { log.record(BenchEvent::ThreadFinished); });

    thread_.start();
    QMetaObject::invokeMethod(
        worker_, [this] { pthread_getcpuclockid(pthread_self(), &cpuClock_); },
        Qt::BlockingQueuedConnection);
}

WorkerProbe::~WorkerProbe() {
    retire();
    if (!thread_.wait(leaveLimitMs))
        qFatal("the card worker did not leave within %d ms of its retirement", leaveLimitMs);
}

void WorkerProbe::connectToReader(const QString &reader) {
    Encoding *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, reader] { worker->connectToReader(reader); }, Qt::QueuedConnection);
}

void WorkerProbe::sendAPDU(const QString &reader, const QString &text) {
    Encoding *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, reader, text] { worker->receiveAPDUMessage(reader, text); },
        Qt::QueuedConnection);
}

void WorkerProbe::sendDESFire(const QString &reader) {
    Encoding *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, reader] { worker->receiveDESFire(reader, true); }, Qt::QueuedConnection);
}

double WorkerProbe::retire() {
    const double at = nowMs();
    thread_.requestInterruption();
    thread_.quit();
    return at;
}

double WorkerProbe::cpuMs() const {
    return cpuClockMs(cpuClock_);
}
