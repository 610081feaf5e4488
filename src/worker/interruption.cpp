#include "interruption.h"

#include <QDebug>
#include <QThread>

bool workerRetired() {
    if (!QThread::currentThread()->isInterruptionRequested())
        return false;
    qDebug() << "Events were pending...";
    return true;
}
