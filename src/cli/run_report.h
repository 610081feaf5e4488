#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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
};

struct PrinterDescription {
    QString queue;
    QString station;
    int printerType = 0;
};

// A stress-test run, cycle by cycle: the progress lines, the summary and the JSON
// report.
class RunReport {
public:
    RunReport(const QString &reader, const std::optional<PrinterDescription> &printer,
              int cyclesRequested);

    void add(const CycleRecord &cycle);
    // Why the run ended before its last cycle.
    void stop(const QString &reason) { stopReason_ = reason; }

    const QList<CycleRecord> &cycles() const { return cycles_; }
    // Every cycle asked for ran and passed.
    bool allPassed() const;

    // "cycle 3/100: passed in 1843 ms", "cycle 3/100: failed at create file: 91 0E".
    QString progressLine(const CycleRecord &cycle) const;
    // The counts, why the run stopped early if it did, the median and slowest cycle
    // and the same for each phase that ran.
    QStringList summary() const;
    QByteArray json() const;
    // Writes the JSON whole or not at all; false with *error when it cannot.
    bool write(const QString &path, QString *error) const;

private:
    int count(CycleRecord::Verdict verdict) const;

    QString reader_;
    std::optional<PrinterDescription> printer_;
    int cyclesRequested_;
    QString stopReason_;
    QList<CycleRecord> cycles_;
};
