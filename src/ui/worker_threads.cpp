#include "worker_threads.h"

#include <QList>
#include <QPointer>
#include <QThread>

#include <algorithm>

QPointer<QThread> workerThread;

// Retired threads may still be running their worker's last slot when the window goes;
// they are remembered here so that shutdown waits for them as well as for the current
// one. A thread drops out of the list by itself once deleted.
static QList<QPointer<QThread>> unfinishedThreads;

void trackWorkerThread(QThread *thread) {
    unfinishedThreads.removeAll(nullptr);
    unfinishedThreads.append(thread);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
}

void stopWorkerThreads(QDeadlineTimer deadline) {
    unfinishedThreads.removeAll(nullptr);
    for (QThread *thread : qAsConst(unfinishedThreads)) {
        thread->requestInterruption();
        thread->quit();
    }
    for (QThread *thread : qAsConst(unfinishedThreads)) {
        // Deleting it now also drops its pending deleteLater, which no event loop may
        // be left to run.
        if (thread->wait(deadline))
            delete thread;
    }
    unfinishedThreads.removeAll(nullptr);
}

bool workerThreadsRunning() {
    unfinishedThreads.removeAll(nullptr);
    return std::any_of(unfinishedThreads.cbegin(), unfinishedThreads.cend(),
                       [](const QPointer<QThread> &thread) { return thread->isRunning(); });
}
