#include "run_summary.h"

#include <QtGlobal>

namespace {

QString spreadLine(const QString &what, const Spread &spread) {
    return QStringLiteral("%1: median %2 ms, slowest %3 ms (cycle %4)")
        .arg(what)
        .arg(qRound64(spread.medianMs))
        .arg(qRound64(spread.slowestMs))
        .arg(spread.slowestCycle);
}

} // namespace

const char *phaseName(int phase) {
    static const char *const names[phaseCount] = {"feed", "detection", "exercise", "eject"};
    return names[phase];
}

void RunningSpread::add(double ms, int cycle) {
    if (lower_.empty() || ms > slowestMs_) {
        slowestMs_ = ms;
        slowestCycle_ = cycle;
    }
    if (lower_.empty() || ms <= lower_.top())
        lower_.push(ms);
    else
        upper_.push(ms);
    if (lower_.size() > upper_.size() + 1) {
        upper_.push(lower_.top());
        lower_.pop();
    } else if (upper_.size() > lower_.size()) {
        lower_.push(upper_.top());
        upper_.pop();
    }
}

std::optional<Spread> RunningSpread::spread() const {
    if (lower_.empty())
        return std::nullopt;
    const double median =
        lower_.size() > upper_.size() ? lower_.top() : (lower_.top() + upper_.top()) / 2;
    return Spread{median, slowestMs_, slowestCycle_};
}

void RunSummary::add(const CycleRecord &cycle) {
    ++cyclesRun_;
    ++counts_[std::size_t(cycle.verdict)];
    if (const std::optional<double> ms = cycle.cycleMs())
        cycleTime_.add(*ms, cycle.number);
    for (int phase = 0; phase < phaseCount; ++phase)
        if (const std::optional<double> ms = cycle.phaseMs[std::size_t(phase)])
            phases_[std::size_t(phase)].add(*ms, cycle.number);
}

bool RunSummary::allPassed() const {
    return cyclesRun_ == cyclesRequested_ &&
           count(CycleRecord::Verdict::Passed) == cyclesRequested_;
}

QStringList RunSummary::lines() const {
    QString counts = QStringLiteral("summary: %1 passed, %2 failed")
                         .arg(count(CycleRecord::Verdict::Passed))
                         .arg(count(CycleRecord::Verdict::Failed));
    if (const int stopped = count(CycleRecord::Verdict::Stopped))
        counts += QStringLiteral(", %1 stopped").arg(stopped);
    QStringList lines{counts + QStringLiteral(" of %1 cycles").arg(cyclesRequested_)};
    if (!stopReason_.isEmpty())
        lines.append(QStringLiteral("run stopped: ") + stopReason_);
    if (const std::optional<Spread> cycle = cycleTime())
        lines.append(spreadLine(QStringLiteral("cycle time"), *cycle));
    for (int phase = 0; phase < phaseCount; ++phase)
        if (const std::optional<Spread> spread = phaseTime(phase))
            lines.append(spreadLine(QLatin1String(phaseName(phase)), *spread));
    return lines;
}
