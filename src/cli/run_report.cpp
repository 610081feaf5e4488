#include "run_report.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const char *verdictName(CycleRecord::Verdict verdict) {
    switch (verdict) {
    case CycleRecord::Verdict::Passed:
        return "passed";
    case CycleRecord::Verdict::Failed:
        return "failed";
    case CycleRecord::Verdict::Stopped:
        return "stopped";
    }
    return "";
}

// Milliseconds to a tenth, which is as fine as the clocks behind them are worth.
double roundedMs(double ms) {
    return std::round(ms * 10) / 10;
}

QJsonValue textOrNull(const QString &text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue spreadOrNull(const std::optional<Spread> &spread) {
    if (!spread)
        return QJsonValue();
    return QJsonObject{{QStringLiteral("medianMs"), roundedMs(spread->medianMs)},
                       {QStringLiteral("slowestMs"), roundedMs(spread->slowestMs)},
                       {QStringLiteral("slowestCycle"), spread->slowestCycle}};
}

QByteArray compact(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

namespace reportjson {

QByteArray head(const QString &reader, const std::optional<PrinterDescription> &printer,
                int cyclesRequested) {
    const QJsonValue printerValue =
        printer ? QJsonValue(QJsonObject{{QStringLiteral("queue"), printer->queue},
                                         {QStringLiteral("station"), printer->station},
                                         {QStringLiteral("printerType"), printer->printerType}})
                : QJsonValue();
    QByteArray head = compact({{QStringLiteral("reader"), reader},
                               {QStringLiteral("printer"), printerValue},
                               {QStringLiteral("cyclesRequested"), cyclesRequested}});
    head.chop(1); // the object goes on
    return head + ",\"cycles\":[";
}

QByteArray entry(const CycleRecord &cycle, bool first) {
    QJsonObject ms;
    for (int phase = 0; phase < phaseCount; ++phase) {
        const std::optional<double> &phaseMs = cycle.phaseMs[std::size_t(phase)];
        ms.insert(QLatin1String(phaseName(phase)),
                  phaseMs ? QJsonValue(roundedMs(*phaseMs)) : QJsonValue());
    }
    ms.insert(QStringLiteral("cycle"), roundedMs(cycle.totalMs));
    return (first ? "\n" : ",\n") +
           compact({{QStringLiteral("cycle"), cycle.number},
                    {QStringLiteral("verdict"), QLatin1String(verdictName(cycle.verdict))},
                    {QStringLiteral("failedStep"), textOrNull(cycle.failedStep)},
                    {QStringLiteral("failure"), textOrNull(cycle.failure)},
                    {QStringLiteral("status"), textOrNull(cycle.status)},
                    {QStringLiteral("codeName"), textOrNull(cycle.codeName)},
                    {QStringLiteral("ms"), ms}});
}

QByteArray tail(const RunSummary &summary) {
    QJsonObject phases;
    for (int phase = 0; phase < phaseCount; ++phase)
        phases.insert(QLatin1String(phaseName(phase)), spreadOrNull(summary.phaseTime(phase)));
    const QByteArray figures =
        compact({{QStringLiteral("cyclesRun"), summary.cyclesRun()},
                 {QStringLiteral("passed"), summary.count(CycleRecord::Verdict::Passed)},
                 {QStringLiteral("failed"), summary.count(CycleRecord::Verdict::Failed)},
                 {QStringLiteral("stopped"), summary.count(CycleRecord::Verdict::Stopped)},
                 {QStringLiteral("stopReason"), textOrNull(summary.stopReason())},
                 {QStringLiteral("cycleTime"), spreadOrNull(summary.cycleTime())},
                 {QStringLiteral("phases"), phases}});
    return "\n]," + figures.mid(1) + "\n";
}

} // namespace reportjson

RunReport::RunReport(const QString &reader, const std::optional<PrinterDescription> &printer,
                     int cyclesRequested)
    : reader_(reader), printer_(printer), summary_(cyclesRequested) {}

bool RunReport::keepFile(const QString &path, QString *error) {
    file_ = std::make_unique<ReportFile>();
    if (file_->open(path, reportjson::head(reader_, printer_, summary_.cyclesRequested()),
                    reportjson::tail(summary_), error))
        return true;
    file_.reset();
    return false;
}

void RunReport::add(const CycleRecord &cycle) {
    summary_.add(cycle);
    // A write that failed is told by finishFile.
    if (file_)
        file_->append(reportjson::entry(cycle, summary_.cyclesRun() == 1),
                      reportjson::tail(summary_));
}

QString RunReport::progressLine(const CycleRecord &cycle) const {
    const QString head =
        QStringLiteral("cycle %1/%2: ").arg(cycle.number).arg(summary_.cyclesRequested());
    switch (cycle.verdict) {
    case CycleRecord::Verdict::Passed:
        return head + QStringLiteral("passed in %1 ms").arg(qRound64(cycle.totalMs));
    case CycleRecord::Verdict::Failed:
        return head + QStringLiteral("failed at %1: %2").arg(cycle.failedStep, cycle.failure);
    case CycleRecord::Verdict::Stopped:
        break;
    }
    return head + QStringLiteral("stopped");
}

bool RunReport::finishFile(QString *error) {
    return !file_ || file_->finish(reportjson::tail(summary_), error);
}
