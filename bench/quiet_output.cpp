#include "quiet_output.h"

#include "event_log.h"

#include <QtGlobal>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

EventLog *debugLog = nullptr;
QtMessageHandler previousHandler = nullptr;

void recordDebugLine(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type == QtDebugMsg)
        debugLog->record(BenchEvent::DebugLine, message);
    else
        previousHandler(type, context, message);
}

} // namespace

QuietOutput::QuietOutput(EventLog &log) {
    debugLog = &log;
    previousHandler = qInstallMessageHandler(recordDebugLine);
    std::fflush(stdout);
    savedStdout_ = dup(STDOUT_FILENO);
    const int discard = open("/dev/null", O_WRONLY);
    dup2(discard, STDOUT_FILENO);
    close(discard);
}

QuietOutput::~QuietOutput() {
    std::fflush(stdout);
    dup2(savedStdout_, STDOUT_FILENO);
    close(savedStdout_);
    qInstallMessageHandler(previousHandler);
    debugLog = nullptr;
}
