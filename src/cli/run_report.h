#pragma once

#include "cycle_record.h"
#include "report_file.h"
#include "run_summary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct PrinterDescription {
    QString queue;
    QString station;
    int printerType = 0;
};

// The JSON report in the pieces a run writes it in: the head, one entry per cycle and
// the tail, which together make one document,
//   {"reader":..., "printer":..., "cyclesRequested":N, "cycles":[{...}, ...],
//    "cyclesRun":..., "passed":..., "failed":..., "stopped":..., "stopReason":...,
//    "cycleTime":..., "phases":{...}}
// with a line of its own for each cycle. Texts go in as they are; the document is valid
// UTF-8 JSON whatever they hold.
namespace reportjson {
QByteArray head(const QString &reader, const std::optional<PrinterDescription> &printer,
                int cyclesRequested);
// first: the run's first cycle, which no comma comes before.
QByteArray entry(const CycleRecord &cycle, bool first);
QByteArray tail(const RunSummary &summary);
} // namespace reportjson

// A stress-test run, cycle by cycle: the progress lines, the summary, and the JSON report
// in its file, brought up to date after each cycle at a cost that does not grow with the
// run (report_file.h).
class RunReport {
public:
    RunReport(const QString &reader, const std::optional<PrinterDescription> &printer,
              int cyclesRequested);

    // Prepares the report's file at path, which keeps what it holds until the first
    // cycle; false with *error when the file cannot be written there.
    bool keepFile(const QString &path, QString *error);

    void add(const CycleRecord &cycle);
    // Why the run ended before its last cycle.
    void stop(const QString &reason) { summary_.stop(reason); }

    const RunSummary &figures() const { return summary_; }
    bool allPassed() const { return summary_.allPassed(); }

    // "cycle 3/100: passed in 1843 ms", "cycle 3/100: failed at create file: 91 0E".
    QString progressLine(const CycleRecord &cycle) const;
    QStringList summary() const { return summary_.lines(); }

    // The report's last version, durable; false with *error when the file could not be
    // written, now or at any cycle before. True without a file.
    bool finishFile(QString *error);

private:
    QString reader_;
    std::optional<PrinterDescription> printer_;
    RunSummary summary_;
    std::unique_ptr<ReportFile> file_;
};
