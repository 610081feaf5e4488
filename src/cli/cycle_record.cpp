#include "cycle_record.h"

void CycleRecord::fail(const QString &step, const QString &what) {
    verdict = Verdict::Failed;
    if (!failedStep.isEmpty())
        return;
    failedStep = step;
    failure = what;
}

std::optional<double> CycleRecord::cycleMs() const {
    if (verdict == Verdict::Stopped)
        return std::nullopt;
    return totalMs;
}
