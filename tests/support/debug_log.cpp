#include "debug_log.h"

#include <QMutex>

namespace {
QMutex mutex;
QStringList recorded;
QtMessageHandler previous = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type == QtDebugMsg) {
        QMutexLocker lock(&mutex);
        recorded.append(message);
    }
    previous(type, context, message);
}
} // namespace

DebugLog::DebugLog() {
    QMutexLocker lock(&mutex);
    recorded.clear();
    previous = qInstallMessageHandler(record);
}

DebugLog::~DebugLog() {
    qInstallMessageHandler(previous);
}

QStringList DebugLog::lines() const {
    QMutexLocker lock(&mutex);
    return recorded;
}
