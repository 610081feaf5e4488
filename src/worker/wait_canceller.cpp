#include "wait_canceller.h"

#include "pcsc/pcsc.h"

#include <chrono>

#include <pthread.h>

namespace {
// Each look costs a thread wake-up; twenty a second keep a retirement within about
// 50 ms for a fraction of the CPU that as many status-change calls would take.
const std::chrono::milliseconds lookEvery(50);
} // namespace

WaitCanceller::WaitCanceller(QThread *watching)
    : watching_(watching), thread_(&WaitCanceller::run, this) {
    // Otherwise it would carry the name of the worker thread that started it.
    pthread_setname_np(thread_.native_handle(), "card watch");
}

WaitCanceller::~WaitCanceller() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void WaitCanceller::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, lookEvery, [this] { return stopping_; })) {
        // Cancelled again at every look: a cancel that lands between two waits is lost,
        // and the watch may be about to begin the next one.
        const SCARDCONTEXT context = context_;
        if (context && watching_->isInterruptionRequested())
            pcsc::cancel(context);
    }
}
