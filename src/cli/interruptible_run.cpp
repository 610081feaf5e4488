#include "interruptible_run.h"

#include "cli_output.h"
#include "exit_status.h"
#include "stop_request.h"

#include <QThread>

#include <csignal>
#include <memory>

#include <pthread.h>

namespace {

// Sent by the command's thread to the waiting one when the command has returned.
constexpr int commandDone = SIGUSR1;

sigset_t signalSet(std::initializer_list<int> numbers) {
    sigset_t set;
    sigemptyset(&set);
    for (int number : numbers)
        sigaddset(&set, number);
    return set;
}

StopCause causeOf(int signal) {
    switch (signal) {
    case SIGINT:
        return StopCause::Interrupt;
    case SIGTERM:
        return StopCause::Terminate;
    default:
        return StopCause::HangUp;
    }
}

QString stoppingText(int signal) {
    const QString stopping = QStringLiteral("stopping after the step under way");
    switch (signal) {
    case SIGINT:
        return stopping + QStringLiteral("; Ctrl-C again quits at once");
    case SIGTERM:
        return QStringLiteral("SIGTERM: ") + stopping;
    default:
        return QStringLiteral("SIGHUP: ") + stopping;
    }
}

} // namespace

void holdInterrupts() {
    const sigset_t held = signalSet({SIGINT, SIGTERM, SIGHUP, commandDone});
    pthread_sigmask(SIG_BLOCK, &held, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int runInterruptibly(const std::function<int()> &command) {
    int status = AllPassed;
    const pthread_t waiting = pthread_self();
    const std::unique_ptr<QThread> thread(QThread::create([&status, &command, waiting] {
        status = command();
        pthread_kill(waiting, commandDone);
    }));
    setCommandThread(thread.get());
    thread->start();
    sigset_t awaited = signalSet({SIGINT, SIGTERM, SIGHUP, commandDone});
    for (int arrived = 0; arrived != commandDone;) {
        sigwait(&awaited, &arrived);
        if (arrived == commandDone)
            break;
        if (requestStop(causeOf(arrived)))
            printError(stoppingText(arrived));
        // From now on a Ctrl-C takes its default action: only this thread takes it.
        sigdelset(&awaited, SIGINT);
        const sigset_t interrupt = signalSet({SIGINT});
        pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
    }
    thread->wait();
    setCommandThread(nullptr);
    const StopCause stopped = stopCause();
    return stopped == StopCause::None ? status : stopExitStatus(stopped);
}
