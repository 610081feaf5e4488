#pragma once

#include <QThread>

#include <PCSC/winscard.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Cuts a blocking status-change wait short once the watching thread is asked to stop:
// a helper thread looks at the interruption request every few milliseconds and then
// cancels the waits on the context (SCardCancel is meant to be called from another
// thread). The watch can so wait long, which costs pcsc-lite's client far less CPU
// than many short waits, and still leave promptly.
class WaitCanceller {
public:
    explicit WaitCanceller(QThread *watching);
    ~WaitCanceller();

    WaitCanceller(const WaitCanceller &) = delete;
    WaitCanceller &operator=(const WaitCanceller &) = delete;

    // The context of the wait under way; 0 between waits.
    void watch(SCARDCONTEXT context) { context_ = context; }

private:
    void run();

    QThread *watching_;
    std::atomic<SCARDCONTEXT> context_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
