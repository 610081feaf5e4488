#include "x_map_observer.h"

#include "clock.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <poll.h>

namespace {

// The window property as raw bytes; empty when absent.
QByteArray property(Display *display, Window window, const char *name, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type,
                           &actualType, &format, &count, &remaining, &data) == Success &&
        data) {
        // Xlib hands 32-bit items over as longs.
        const unsigned long itemSize = format == 32 ? sizeof(long) : unsigned(format) / 8;
        value = QByteArray(reinterpret_cast<const char *>(data), int(count * itemSize));
        XFree(data);
    }
    return value;
}

} // namespace

XMapObserver::XMapObserver(const QByteArray &displayName) {
    display_ = XOpenDisplay(displayName.constData());
    if (!display_)
        return;
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
}

XMapObserver::~XMapObserver() {
    if (display_)
        XCloseDisplay(display_);
}

double XMapObserver::waitForWindow(qint64 pid, const QString &title, int timeoutMs) {
    const double deadline = nowMs() + timeoutMs;
    while (nowMs() < deadline) {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type != MapNotify || event.xmap.override_redirect)
                continue;
            const double mappedAt = nowMs();
            if (belongsTo(event.xmap.window, pid, title))
                return mappedAt;
        }
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        poll(&connection, 1, std::max(0, int(std::ceil(deadline - nowMs()))));
    }
    return std::nan("");
}

bool XMapObserver::belongsTo(unsigned long window, qint64 pid, const QString &title) {
    const QByteArray pidValue = property(display_, window, "_NET_WM_PID", XA_CARDINAL);
    if (pidValue.size() < int(sizeof(long)) ||
        *reinterpret_cast<const long *>(pidValue.constData()) != pid)
        return false;
    const QByteArray name =
        property(display_, window, "_NET_WM_NAME", XInternAtom(display_, "UTF8_STRING", False));
    return QString::fromUtf8(name) == title;
}
