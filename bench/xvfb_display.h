#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// A private X server (Xvfb) on a free display number, for the start-up rows; stopped
// when the object goes.
class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

    // Empty when the server runs; otherwise why not.
    QString unavailableReason() const { return reason_; }
    QByteArray name() const { return name_; } // ":N"

private:
    QProcess server_;
    QByteArray name_;
    QString reason_;
};
