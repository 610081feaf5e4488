#pragma once

#include <QString>

// Where card commands send what the operator must see. The worker implements it by
// emitting its report signals.
class CardReports {
public:
    virtual void reportUiMessage(const QString &message) = 0;
    virtual void reportPopup(const QString &title, const QString &message) = 0;
    // A console line: by default written to standard output and flushed at once, so
    // that it shows up even when standard output is a pipe.
    virtual void reportConsoleLine(const QString &line);

protected:
    ~CardReports() = default;
};
