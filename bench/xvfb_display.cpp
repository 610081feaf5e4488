#include "xvfb_display.h"

#include <QStandardPaths>

namespace {
constexpr int startLimitMs = 10000;
}

XvfbDisplay::XvfbDisplay() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty()) {
        reason_ = QStringLiteral("Xvfb not found");
        return;
    }
    server_.setStandardErrorFile(QProcess::nullDevice());
    // Xvfb picks a free display and writes its number to the given descriptor, here
    // its standard output, once it accepts clients.
    server_.start(program,
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    while (!server_.canReadLine() && server_.waitForReadyRead(startLimitMs)) {
    }
    const QByteArray number = server_.readLine().trimmed();
    if (number.isEmpty()) {
        reason_ = QStringLiteral("Xvfb did not start");
        return;
    }
    name_ = ':' + number;
}

XvfbDisplay::~XvfbDisplay() {
    if (server_.state() == QProcess::NotRunning)
        return;
    server_.terminate();
    if (!server_.waitForFinished(3000))
        server_.kill();
    server_.waitForFinished();
}
