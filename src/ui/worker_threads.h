#pragma once

#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>

// The thread of the current card worker, null once that thread has been deleted. Read
// and written on the GUI thread only.
extern QPointer<QThread> workerThread;

// Takes charge of a worker thread created without a parent: it is deleted once it has
// finished, and until then shutdown can still reach it.
void trackWorkerThread(QThread *thread);

// Interrupts every worker thread that is still running, asks each to leave its event
// loop and waits for them until the deadline. Threads that finished are deleted; any
// that did not are left alone, because destroying a running QThread aborts the process.
void stopWorkerThreads(QDeadlineTimer deadline);

// Whether a worker thread is still running (one that stopWorkerThreads left alone).
bool workerThreadsRunning();
