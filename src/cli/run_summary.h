#pragma once

#include "cycle_record.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <queue>
#include <vector>

// The median and the slowest of one figure over the cycles that have it.
struct Spread {
    double medianMs = 0;
    double slowestMs = 0;
    int slowestCycle = 0; // the first cycle that took that long
};

// A spread kept up value by value: each value costs a logarithm of the count, the
// spread at any moment nothing, so a run of a million cycles never sorts them all.
class RunningSpread {
public:
    void add(double ms, int cycle);
    std::optional<Spread> spread() const;

private:
    // The lower half of the values so far (one more when the count is odd) and the upper.
    std::priority_queue<double> lower_;
    std::priority_queue<double, std::vector<double>, std::greater<double>> upper_;
    double slowestMs_ = 0;
    int slowestCycle_ = 0;
};

// The figures of a stress-test run, kept up cycle by cycle: the counts, why it stopped
// early if it did, the median and slowest cycle and the same for each phase that ran.
class RunSummary {
public:
    explicit RunSummary(int cyclesRequested) : cyclesRequested_(cyclesRequested) {}

    void add(const CycleRecord &cycle);
    void stop(const QString &reason) { stopReason_ = reason; }

    int cyclesRequested() const { return cyclesRequested_; }
    int cyclesRun() const { return cyclesRun_; }
    int count(CycleRecord::Verdict verdict) const { return counts_[std::size_t(verdict)]; }
    const QString &stopReason() const { return stopReason_; }
    std::optional<Spread> cycleTime() const { return cycleTime_.spread(); }
    std::optional<Spread> phaseTime(int phase) const {
        return phases_[std::size_t(phase)].spread();
    }
    // Every cycle asked for ran and passed.
    bool allPassed() const;

    // "summary: 3 passed, 1 failed of 4 cycles", then "run stopped: ...", then
    // "cycle time: median 900 ms, slowest 1200 ms (cycle 2)" and a line for each phase.
    QStringList lines() const;

private:
    int cyclesRequested_;
    int cyclesRun_ = 0;
    std::array<int, 3> counts_{};
    QString stopReason_;
    RunningSpread cycleTime_;
    std::array<RunningSpread, phaseCount> phases_;
};

// "feed", "detection", "exercise", "eject".
const char *phaseName(int phase);
