#include "prober_process.h"

#include <QElapsedTimer>
#include <QRegularExpression>

ProberProcess::ProberProcess(const QString &reader, const QStringList &arguments) {
    // Bounded in any case: a test that fails midway leaves no prober behind for long.
    process_.start(QStringLiteral(PCSC_PROBER),
                   QStringList{QStringLiteral("--reader"), reader, QStringLiteral("--seconds"),
                               QStringLiteral("600")} +
                       arguments);
    process_.waitForStarted();
}

ProberProcess::~ProberProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished();
}

bool ProberProcess::waitFor(const QString &text, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        if (output_.contains(text))
            return true;
        if (process_.state() == QProcess::NotRunning || clock.hasExpired(timeoutMs))
            return false;
        process_.waitForReadyRead(20);
    }
}

ProberCounts ProberProcess::finish() {
    process_.terminate();
    process_.waitForFinished(10000);
    output_ += QString::fromUtf8(process_.readAllStandardOutput());
    ProberCounts counts;
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("prober: connections=(\\d+) exclusive=(\\d+) "
                                          "refused=(\\d+) commands=(\\d+) answered=\\d+ "
                                          "resets=(\\d+) unfinished=(\\d+)"))
            .match(output_);
    if (!line.hasMatch())
        return counts;
    counts.reported = true;
    counts.connections = line.captured(1).toLong();
    counts.exclusive = line.captured(2).toLong();
    counts.refused = line.captured(3).toLong();
    counts.commands = line.captured(4).toLong();
    counts.resets = line.captured(5).toLong();
    counts.unfinished = line.captured(6).toLong();
    return counts;
}
