#include "cli_rows.h"

#include "bare_card.h"
#include "bare_desfire_cycle.h"
#include "bench_setup.h"
#include "clock.h"
#include "desfire_card.h"
#include "pcsc_test_support.h"
#include "prober_process.h"
#include "vpcd_link.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace {

constexpr int exerciseCyclesPerRun = 5;
constexpr int probedCyclesPerRun = 30;
constexpr int programLimitMs = 30 * 60 * 1000;
const QString simQueue = QStringLiteral("Vantorel_Sim");

// Runs quorvane-cli with the simulated SDK on the loader's path, as the program finds
// the real one in use, and reads its report back, with the run's exit status;
// nothing when the program did not end by itself or wrote no report.
std::optional<QJsonObject> reportedRun(const QStringList &arguments, int *exitCode) {
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("report.json"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(SDK_LIBRARY_DIR));
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setStandardErrorFile(QProcess::nullDevice());
    cli.start(QStringLiteral(QUORVANE_CLI_PROGRAM),
              arguments + QStringList{QStringLiteral("--report"), report});
    if (!cli.waitForFinished(programLimitMs) || cli.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    *exitCode = cli.exitCode();
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The same; nothing unless every cycle passed.
std::optional<QJsonObject> passedRun(const QStringList &arguments) {
    int exitCode = -1;
    std::optional<QJsonObject> report = reportedRun(arguments, &exitCode);
    return exitCode == 0 ? report : std::nullopt;
}

// Passed cycles per minute of a stress-test run on the card in the reader, over the
// run's whole time, the program's start included.
std::optional<double> passesPerMinute(int cycles) {
    int exitCode = -1;
    const double start = nowMs();
    const std::optional<QJsonObject> report =
        reportedRun({QStringLiteral("desfire-test"), QStringLiteral("-r"), bench::reader(),
                     QStringLiteral("--cycles"), QString::number(cycles)},
                    &exitCode);
    const double took = nowMs() - start;
    if (!report)
        return std::nullopt;
    return (*report)[QStringLiteral("passed")].toInt() * 60000.0 / took;
}

// One figure of every cycle of a report: "exercise", "cycle", ...
QVector<double> cycleFigures(const QJsonObject &report, const QString &figure) {
    QVector<double> figures;
    for (const QJsonValue &cycle : report[QStringLiteral("cycles")].toArray())
        figures.append(cycle[QStringLiteral("ms")][figure].toDouble());
    return figures;
}

// Connection, the exercise's frames and the reset on disconnection, as the program's
// exercise phase has them; nothing when the cycle did not pass.
std::optional<double> bareExerciseMs() {
    const double start = nowMs();
    bool passed = false;
    {
        BareCard bare(bench::reader().toUtf8(), SCARD_PROTOCOL_T1);
        passed = bare.connected() && BareDesfireCycle(bare).run();
    }
    const double took = nowMs() - start;
    return passed ? std::optional<double>(took) : std::nullopt;
}

// A whole cycle of the printer's without the program and the SDK: the card put into
// the slot (after the settle time vpcd needs), seen by a bare status-change wait,
// exercised, taken out and seen gone.
std::optional<double> bareSoakCycleMs(vcard::VpcdLink &link) {
    const double start = nowMs();
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return std::nullopt;
    const std::optional<double> exercise = bareExerciseMs();
    link.remove();
    if (!exercise || !testsupport::waitForCard(testsupport::contactReader, false))
        return std::nullopt;
    return nowMs() - start;
}

} // namespace

BenchRow cliExerciseRow(int runs) {
    BenchRow row{
        QStringLiteral("quorvane-cli: DESFire exercise, per cycle"),
        QStringLiteral("ms"),
        {BenchTarget::TimesFloor, 1.2},
        QStringLiteral(
            "program: its report's exercise phase (connection and transaction, reset, 152 frames, "
            "reset), median of %1 cycles a run; floor: the same through bare "
            "PC/SC calls")
            .arg(exerciseCyclesPerRun)};
    auto card = std::make_shared<vcard::DesfireCard>();
    vcard::VpcdLink link(card);
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return unavailableRow(row.name, QStringLiteral("vpcd does not take the virtual card"));
    for (int run = 0; run < runs; ++run) {
        const std::optional<QJsonObject> report =
            passedRun({QStringLiteral("desfire-test"), QStringLiteral("-r"), bench::reader(),
                       QStringLiteral("--cycles"), QString::number(exerciseCyclesPerRun)});
        if (!report)
            return unavailableRow(row.name, QStringLiteral("the program's cycles did not pass"));
        QVector<double> floors;
        for (int cycle = 0; cycle < exerciseCyclesPerRun; ++cycle) {
            const std::optional<double> floor = bareExerciseMs();
            if (!floor)
                return unavailableRow(row.name, QStringLiteral("the bare cycle did not pass"));
            floors.append(*floor);
        }
        row.samples.append(median(cycleFigures(*report, QStringLiteral("exercise"))));
        row.floorSamples.append(median(floors));
    }
    bool empty = false;
    link.withCard([&](vcard::VirtualCard &) { empty = card->applicationIds().empty(); });
    if (!empty)
        row.note += QStringLiteral("; the card was NOT left empty");
    return row;
}

BenchRow cliProbedRow(int runs) {
    BenchRow row{QStringLiteral("quorvane-cli: stress test beside a probing program"),
                 QStringLiteral("passes/min"),
                 {},
                 QStringLiteral("program: %1 cycles on the card in the reader while another "
                                "PC/SC program probes it, resets it and holds it exclusively "
                                "for 50-300 ms at times; floor: the same run alone")
                     .arg(probedCyclesPerRun)};
    auto card = std::make_shared<vcard::DesfireCard>();
    vcard::VpcdLink link(card);
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return unavailableRow(row.name, QStringLiteral("vpcd does not take the virtual card"));
    for (int run = 0; run < runs; ++run) {
        const std::optional<double> alone = passesPerMinute(probedCyclesPerRun);
        std::optional<double> probed;
        ProberCounts counts;
        {
            ProberProcess prober(bench::reader(), {QStringLiteral("--exclusive")});
            if (prober.waitFor(QStringLiteral("prober: ready")))
                probed = passesPerMinute(probedCyclesPerRun);
            counts = prober.finish();
        }
        if (!alone || !probed || counts.connections == 0)
            return unavailableRow(row.name, QStringLiteral("the runs or the prober did not run"));
        row.samples.append(*probed);
        row.floorSamples.append(*alone);
    }
    return row;
}

BenchRow cliSoakRow(int cycles) {
    BenchRow row{
        QStringLiteral("quorvane-cli: %1 cycles through the simulated printer").arg(cycles),
        QStringLiteral("ms"),
        {BenchTarget::TimesFloor, 1.2},
        QStringLiteral("per cycle: feed, detection, exercise, eject and removal, from "
                       "the report; floor: the card put into and out of vpcd by hand, "
                       "bare status-change waits and the bare exercise, as many cycles")};
    if (!QPrinterInfo::availablePrinterNames().contains(simQueue))
        return unavailableRow(row.name, QStringLiteral("no CUPS queue Vantorel_Sim"));
    // The program refuses to feed a card to a reader that still lists one.
    if (!testsupport::waitForCard(testsupport::contactReader, false))
        return unavailableRow(row.name, QStringLiteral("a card stays in the reader"));
    const std::optional<QJsonObject> report =
        passedRun({QStringLiteral("desfire-test"), QStringLiteral("--printer"), simQueue,
                   QStringLiteral("--station"), QStringLiteral("contact"), QStringLiteral("-r"),
                   bench::reader(), QStringLiteral("--cycles"), QString::number(cycles)});
    if (!report)
        return unavailableRow(row.name, QStringLiteral("the program's cycles did not pass"));
    row.samples = cycleFigures(*report, QStringLiteral("cycle"));

    vcard::VpcdLink link(std::make_shared<vcard::DesfireCard>());
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const std::optional<double> floor = bareSoakCycleMs(link);
        if (!floor)
            return unavailableRow(row.name, QStringLiteral("the bare cycle did not pass"));
        row.floorSamples.append(*floor);
    }
    return row;
}
