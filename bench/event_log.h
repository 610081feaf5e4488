#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Something the worker reported, stamped on the thread that reported it.
struct BenchEvent {
    enum Kind { UiMessage, Popup, CardRemoved, DebugLine, ThreadFinished };
    Kind kind;
    QString text;
    double atMs;
};

// Collects events from any thread; the bench waits on it.
class EventLog {
public:
    void record(BenchEvent::Kind kind, const QString &text = {});
    void clear();

    // The first event since the last clear() of this kind whose text matches, waiting
    // up to timeoutMs for it.
    std::optional<BenchEvent> waitFor(BenchEvent::Kind kind,
                                      const std::function<bool(const QString &)> &matches,
                                      int timeoutMs);
    std::optional<BenchEvent> waitFor(BenchEvent::Kind kind, int timeoutMs);
    std::optional<BenchEvent> waitForPrefix(BenchEvent::Kind kind, const QString &prefix,
                                            int timeoutMs);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<BenchEvent> events_;
};
