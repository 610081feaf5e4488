#include "cli_output.h"

#include <cstdio>

void printLine(const QString &text) {
    std::fputs(text.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

void printError(const QString &message) {
    std::fputs(QStringLiteral("quorvane-cli: %1\n").arg(message).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

QString secondsText(std::chrono::milliseconds length) {
    return QStringLiteral("%1 s").arg(double(length.count()) / 1000);
}
