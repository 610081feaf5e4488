#pragma once

#include <QString>

#include <array>
#include <optional>

// The phases of a stress-test cycle; only a run through the printer has a feed and an
// eject.
enum class Phase { Feed, Detection, Exercise, Eject };
constexpr int phaseCount = 4;

struct CycleRecord {
    enum class Verdict { Passed, Failed, Stopped };

    int number = 0;
    Verdict verdict = Verdict::Stopped; // Stopped: ended by a stop request before a verdict
    QString failedStep;                 // the first step that failed: "create file", "feed"
    QString failure;  // what it got: "91 0E", a code name, an SDK text or a sentence
    QString status;   // "91 0E" when the card's status word failed the step
    QString codeName; // when a transmission or the connection failed
    std::array<std::optional<double>, phaseCount> phaseMs;
    double totalMs = 0;

    // The cycle failed; the first failure is the one it keeps.
    void fail(const QString &step, const QString &what);
    // Its time, when it got a verdict.
    std::optional<double> cycleMs() const;
};
