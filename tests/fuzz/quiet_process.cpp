#include "quiet_process.h"

#include <QtGlobal>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

void quietProcess() {
    qInstallMessageHandler(dropMessage);
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}
