#include "bench_setup.h"

#include "pcsc_test_support.h"

#include <QRandomGenerator>
#include <QThread>

namespace bench {

QString reader() {
    return QString::fromLatin1(testsupport::contactReader);
}

QString watchingText() {
    return QStringLiteral(
        "The smart card has been removed, so that further communication is not possible.");
}

void pauseWithinTurn() {
    QThread::msleep(200 + QRandomGenerator::global()->bounded(200));
}

} // namespace bench
