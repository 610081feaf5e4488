#include "cli_output.h"

#include "stop_request.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

void printLine(const QString &text) {
    if (std::fputs(text.toUtf8().append('\n').constData(), stdout) != EOF &&
        std::fflush(stdout) != EOF)
        return;
    const int error = errno;
    if (requestStop(StopCause::OutputFailed))
        printError(QStringLiteral("standard output cannot be written (%1): stopping after the "
                                  "step under way")
                       .arg(QString::fromLocal8Bit(std::strerror(error))));
}

void printError(const QString &message) {
    std::fputs(QStringLiteral("quorvane-cli: %1\n").arg(message).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

QString secondsText(std::chrono::milliseconds length) {
    return QStringLiteral("%1 s").arg(double(length.count()) / 1000);
}
