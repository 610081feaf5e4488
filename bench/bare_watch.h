#pragma once

#include <QByteArray>

#include <future>
#include <thread>

// The floor for card detection: a bare status-change loop on its own thread that keeps
// the reader's state up to date and lets every call wait as long as it may, so it sees
// a card as soon as PC/SC can tell.
class BareWatch {
public:
    explicit BareWatch(const QByteArray &reader);
    ~BareWatch();
    BareWatch(const BareWatch &) = delete;
    BareWatch &operator=(const BareWatch &) = delete;

    // True once the loop knows the reader's present state and waits for a change.
    bool waitUntilWatching(int timeoutMs);
    // When the loop saw the card; NaN when it saw none within its limit.
    double cardSeenAt();

private:
    void watch();

    QByteArray reader_;
    std::promise<void> watching_;
    std::promise<double> seen_;
    std::thread thread_;
};

// The floor for a watching worker's CPU: the same kind of status-change calls, each
// waiting at most turnMs, in a bare loop on the calling thread for the given time.
// Returns that thread's CPU time in % of the wall time; NaN without a context.
double bareTurnLoopCpuPercent(const QByteArray &reader, int turnMs, int seconds);
