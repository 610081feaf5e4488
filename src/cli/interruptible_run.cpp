#include "interruptible_run.h"

#include "cli_output.h"
#include "exit_status.h"

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

} // namespace

void holdInterrupts() {
    const sigset_t held = signalSet({SIGINT, commandDone});
    pthread_sigmask(SIG_BLOCK, &held, nullptr);
}

int runInterruptibly(const std::function<int()> &command) {
    int status = AllPassed;
    const pthread_t waiting = pthread_self();
    const std::unique_ptr<QThread> thread(QThread::create([&status, &command, waiting] {
        status = command();
        pthread_kill(waiting, commandDone);
    }));
    thread->start();
    const sigset_t awaited = signalSet({SIGINT, commandDone});
    int arrived = 0;
    sigwait(&awaited, &arrived);
    if (arrived == SIGINT) {
        thread->requestInterruption();
        printError(QStringLiteral("stopping after the step under way; Ctrl-C again quits at once"));
        // Only this thread takes SIGINT now, with its default action.
        const sigset_t interrupt = signalSet({SIGINT});
        pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
    }
    thread->wait();
    return arrived == SIGINT ? Interrupted : status;
}
