#include "run_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const char *const phaseNames[phaseCount] = {"feed", "detection", "exercise", "eject"};

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

// The median and the slowest of one figure over the cycles that have it.
struct Spread {
    double medianMs = 0;
    double slowestMs = 0;
    int slowestCycle = 0;
};

std::optional<Spread>
spreadOf(const QList<CycleRecord> &cycles,
         const std::function<std::optional<double>(const CycleRecord &)> &figure) {
    QList<double> values;
    Spread spread;
    for (const CycleRecord &cycle : cycles) {
        const std::optional<double> value = figure(cycle);
        if (!value)
            continue;
        values.append(*value);
        if (values.size() == 1 || *value > spread.slowestMs) {
            spread.slowestMs = *value;
            spread.slowestCycle = cycle.number;
        }
    }
    if (values.isEmpty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    spread.medianMs =
        values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    return spread;
}

std::optional<double> cycleTime(const CycleRecord &cycle) {
    if (cycle.verdict == CycleRecord::Verdict::Stopped)
        return std::nullopt;
    return cycle.totalMs;
}

QString spreadLine(const QString &what, const Spread &spread) {
    return QStringLiteral("%1: median %2 ms, slowest %3 ms (cycle %4)")
        .arg(what)
        .arg(qRound64(spread.medianMs))
        .arg(qRound64(spread.slowestMs))
        .arg(spread.slowestCycle);
}

QJsonObject spreadObject(const Spread &spread) {
    return {{QStringLiteral("medianMs"), roundedMs(spread.medianMs)},
            {QStringLiteral("slowestMs"), roundedMs(spread.slowestMs)},
            {QStringLiteral("slowestCycle"), spread.slowestCycle}};
}

} // namespace

void CycleRecord::fail(const QString &step, const QString &what) {
    verdict = Verdict::Failed;
    if (!failedStep.isEmpty())
        return;
    failedStep = step;
    failure = what;
}

RunReport::RunReport(const QString &reader, const std::optional<PrinterDescription> &printer,
                     int cyclesRequested)
    : reader_(reader), printer_(printer), cyclesRequested_(cyclesRequested) {}

void RunReport::add(const CycleRecord &cycle) {
    cycles_.append(cycle);
}

int RunReport::count(CycleRecord::Verdict verdict) const {
    return int(std::count_if(cycles_.begin(), cycles_.end(),
                             [verdict](const CycleRecord &c) { return c.verdict == verdict; }));
}

bool RunReport::allPassed() const {
    return cycles_.size() == cyclesRequested_ &&
           count(CycleRecord::Verdict::Passed) == cyclesRequested_;
}

QString RunReport::progressLine(const CycleRecord &cycle) const {
    const QString head = QStringLiteral("cycle %1/%2: ").arg(cycle.number).arg(cyclesRequested_);
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

QStringList RunReport::summary() const {
    QString counts = QStringLiteral("summary: %1 passed, %2 failed")
                         .arg(count(CycleRecord::Verdict::Passed))
                         .arg(count(CycleRecord::Verdict::Failed));
    if (const int stopped = count(CycleRecord::Verdict::Stopped))
        counts += QStringLiteral(", %1 stopped").arg(stopped);
    QStringList lines{counts + QStringLiteral(" of %1 cycles").arg(cyclesRequested_)};
    if (!stopReason_.isEmpty())
        lines.append(QStringLiteral("run stopped: ") + stopReason_);
    if (const std::optional<Spread> cycle = spreadOf(cycles_, cycleTime))
        lines.append(spreadLine(QStringLiteral("cycle time"), *cycle));
    for (int phase = 0; phase < phaseCount; ++phase) {
        const auto phaseTime = [phase](const CycleRecord &c) { return c.phaseMs[phase]; };
        if (const std::optional<Spread> spread = spreadOf(cycles_, phaseTime))
            lines.append(spreadLine(QLatin1String(phaseNames[phase]), *spread));
    }
    return lines;
}

QByteArray RunReport::json() const {
    QJsonArray cycles;
    for (const CycleRecord &cycle : cycles_) {
        QJsonObject ms;
        for (int phase = 0; phase < phaseCount; ++phase)
            ms.insert(QLatin1String(phaseNames[phase]),
                      cycle.phaseMs[phase] ? QJsonValue(roundedMs(*cycle.phaseMs[phase]))
                                           : QJsonValue());
        ms.insert(QStringLiteral("cycle"), roundedMs(cycle.totalMs));
        cycles.append(QJsonObject{{QStringLiteral("cycle"), cycle.number},
                                  {QStringLiteral("verdict"), verdictName(cycle.verdict)},
                                  {QStringLiteral("failedStep"), textOrNull(cycle.failedStep)},
                                  {QStringLiteral("failure"), textOrNull(cycle.failure)},
                                  {QStringLiteral("status"), textOrNull(cycle.status)},
                                  {QStringLiteral("codeName"), textOrNull(cycle.codeName)},
                                  {QStringLiteral("ms"), ms}});
    }
    QJsonObject phases;
    for (int phase = 0; phase < phaseCount; ++phase) {
        const auto phaseTime = [phase](const CycleRecord &c) { return c.phaseMs[phase]; };
        const std::optional<Spread> spread = spreadOf(cycles_, phaseTime);
        phases.insert(QLatin1String(phaseNames[phase]),
                      spread ? QJsonValue(spreadObject(*spread)) : QJsonValue());
    }
    const std::optional<Spread> cycleSpread = spreadOf(cycles_, cycleTime);
    QJsonObject report{
        {QStringLiteral("reader"), reader_},
        {QStringLiteral("printer"),
         printer_ ? QJsonValue(QJsonObject{{QStringLiteral("queue"), printer_->queue},
                                           {QStringLiteral("station"), printer_->station},
                                           {QStringLiteral("printerType"), printer_->printerType}})
                  : QJsonValue()},
        {QStringLiteral("cyclesRequested"), cyclesRequested_},
        {QStringLiteral("cyclesRun"), cycles_.size()},
        {QStringLiteral("passed"), count(CycleRecord::Verdict::Passed)},
        {QStringLiteral("failed"), count(CycleRecord::Verdict::Failed)},
        {QStringLiteral("stopped"), count(CycleRecord::Verdict::Stopped)},
        {QStringLiteral("stopReason"), textOrNull(stopReason_)},
        {QStringLiteral("cycleTime"),
         cycleSpread ? QJsonValue(spreadObject(*cycleSpread)) : QJsonValue()},
        {QStringLiteral("phases"), phases},
        {QStringLiteral("cycles"), cycles}};
    return QJsonDocument(report).toJson();
}

bool RunReport::write(const QString &path, QString *error) const {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(json()) >= 0 && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
