#pragma once

#include <QByteArray>
#include <QString>

struct _XDisplay;

// Watches an X display for top-level windows being mapped, the moment a window is
// shown there. Knows nothing of the programs it watches: it goes by the window's
// owner pid and title, which the toolkit sets before it maps a window.
class XMapObserver {
public:
    explicit XMapObserver(const QByteArray &displayName);
    ~XMapObserver();
    XMapObserver(const XMapObserver &) = delete;
    XMapObserver &operator=(const XMapObserver &) = delete;

    bool opened() const { return display_ != nullptr; }

    // When a top-level window of process pid with this title was mapped; NaN when none
    // was within timeoutMs.
    double waitForWindow(qint64 pid, const QString &title, int timeoutMs);

private:
    bool belongsTo(unsigned long window, qint64 pid, const QString &title);

    _XDisplay *display_ = nullptr;
};
