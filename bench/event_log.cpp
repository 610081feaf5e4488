#include "event_log.h"

#include "clock.h"

#include <chrono>

void EventLog::record(BenchEvent::Kind kind, const QString &text) {
    const double at = nowMs();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back({kind, text, at});
    }
    changed_.notify_all();
}

void EventLog::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

std::optional<BenchEvent> EventLog::waitFor(BenchEvent::Kind kind,
                                            const std::function<bool(const QString &)> &matches,
                                            int timeoutMs) {
    std::optional<BenchEvent> found;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const BenchEvent &event : events_) {
            if (event.kind == kind && matches(event.text)) {
                found = event;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::optional<BenchEvent> EventLog::waitFor(BenchEvent::Kind kind, int timeoutMs) {
    return waitFor(
        kind, [](const QString &) { return true; }, timeoutMs);
}

std::optional<BenchEvent> EventLog::waitForPrefix(BenchEvent::Kind kind, const QString &prefix,
                                                  int timeoutMs) {
    return waitFor(
        kind, [&prefix](const QString &text) { return text.startsWith(prefix); }, timeoutMs);
}
