#include "stop_request.h"

#include "exit_status.h"

#include <QThread>

#include <atomic>
#include <mutex>

namespace {

std::atomic<StopCause> cause{StopCause::None};
std::mutex threadMutex;
QThread *commandThread = nullptr; // guarded by threadMutex

} // namespace

bool requestStop(StopCause requested) {
    StopCause none = StopCause::None;
    const bool first = cause.compare_exchange_strong(none, requested);
    const std::lock_guard<std::mutex> lock(threadMutex);
    if (commandThread)
        commandThread->requestInterruption();
    return first;
}

StopCause stopCause() {
    return cause;
}

void setCommandThread(QThread *thread) {
    const std::lock_guard<std::mutex> lock(threadMutex);
    commandThread = thread;
}

QString stopReason(StopCause stopped) {
    switch (stopped) {
    case StopCause::None:
        break;
    case StopCause::Interrupt:
        return QStringLiteral("interrupted");
    case StopCause::Terminate:
        return QStringLiteral("terminated");
    case StopCause::HangUp:
        return QStringLiteral("hung up");
    case StopCause::OutputFailed:
        return QStringLiteral("standard output cannot be written");
    }
    return {};
}

int stopExitStatus(StopCause stopped) {
    switch (stopped) {
    case StopCause::None:
        break;
    case StopCause::Interrupt:
        return Interrupted;
    case StopCause::Terminate:
        return Terminated;
    case StopCause::HangUp:
        return HungUp;
    case StopCause::OutputFailed:
        return OutputLost;
    }
    return AllPassed;
}
