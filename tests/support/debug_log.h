#pragma once

#include <QStringList>

// Records every debug line of the process, from any thread, while it exists; the
// lines still reach the test log. One at a time.
class DebugLog {
public:
    DebugLog();
    ~DebugLog();
    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    QStringList lines() const;
    int count(const QString &line) const { return lines().count(line); }
};
