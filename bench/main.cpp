// Figures of the card worker and the program against their bare floors, measured in
// the same run. Run it while nothing else uses the vpcd readers (scripts/bench.sh
// takes the lock).

#include "bench_table.h"
#include "cli_rows.h"
#include "command_rows.h"
#include "event_log.h"
#include "input_rows.h"
#include "mifare_rows.h"
#include "pcsc_test_support.h"
#include "quiet_output.h"
#include "startup_rows.h"
#include "watch_rows.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

const QStringList rowGroups{
    QStringLiteral("cpu"),     QStringLiteral("detection"), QStringLiteral("interruption"),
    QStringLiteral("desfire"), QStringLiteral("mifare"),    QStringLiteral("apdu"),
    QStringLiteral("cli"),     QStringLiteral("probed"),    QStringLiteral("soak"),
    QStringLiteral("startup"), QStringLiteral("atr"),       QStringLiteral("report")};

void progress(const char *what) {
    std::fprintf(stderr, "measuring: %s\n", what);
}

// Rows that need pcscd and the vpcd readers, or the reason why they cannot run.
QString cardRowsUnavailable() {
    const QString reason = testsupport::pcscUnavailableReason();
    if (!reason.isEmpty())
        return reason;
    if (!testsupport::waitForCard(testsupport::contactReader, false, 2000))
        return QStringLiteral("a card is already in \"%1\"")
            .arg(QLatin1String(testsupport::contactReader));
    return {};
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures the card worker and the program against bare PC/SC and toolkit floors."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Runs per row (default 5)."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption cpuRunsOption(QStringLiteral("cpu-runs"),
                                           QStringLiteral("Runs of the CPU row (default 3)."),
                                           QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption cpuSecondsOption(QStringLiteral("cpu-seconds"),
                                              QStringLiteral("Length of one CPU run (default 10)."),
                                              QStringLiteral("S"), QStringLiteral("10"));
    const QCommandLineOption soakCyclesOption(
        QStringLiteral("soak-cycles"),
        QStringLiteral("Cycles of the run through the simulated printer (default 100)."),
        QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"), QStringLiteral("Where to write the table as JSON."),
        QStringLiteral("FILE"), QStringLiteral("quorvane-bench.json"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Comma-separated rows to run, of: ") +
                                            rowGroups.join(QLatin1Char(',')),
                                        QStringLiteral("ROWS"), rowGroups.join(QLatin1Char(',')));
    parser.addOptions(
        {runsOption, cpuRunsOption, cpuSecondsOption, soakCyclesOption, jsonOption, onlyOption});
    parser.process(application);

    const int runs = std::max(1, parser.value(runsOption).toInt());
    const int cpuRuns = std::max(1, parser.value(cpuRunsOption).toInt());
    const int cpuSeconds = std::max(1, parser.value(cpuSecondsOption).toInt());
    const int soakCycles = std::max(1, parser.value(soakCyclesOption).toInt());
    const QStringList only = parser.value(onlyOption).split(QLatin1Char(','));
    const auto wanted = [&only](const char *group) { return only.contains(QLatin1String(group)); };

    QList<BenchRow> rows;
    EventLog log;
    {
        QuietOutput quiet(log);
        const QString cardReason = cardRowsUnavailable();
        const auto cardRows = [&](const char *group, const QString &name, auto measure) {
            if (!wanted(group))
                return;
            progress(group);
            if (cardReason.isEmpty())
                rows += measure();
            else
                rows += unavailableRow(name, cardReason);
        };
        cardRows("cpu", QStringLiteral("CPU, worker watching an empty reader"),
                 [&] { return idleCpuRows(log, cpuRuns, cpuSeconds); });
        cardRows("detection", QStringLiteral("Card detection"),
                 [&] { return QList<BenchRow>{detectionRow(log, runs)}; });
        cardRows("interruption", QStringLiteral("Interruption"),
                 [&] { return interruptionRows(log, runs); });
        cardRows("desfire", QStringLiteral("DESFire exercise"),
                 [&] { return QList<BenchRow>{desfireExerciseRow(log, runs)}; });
        cardRows("mifare", QStringLiteral("MIFARE Classic 1K cycle"),
                 [&] { return QList<BenchRow>{mifareClassicRow(runs)}; });
        cardRows("apdu", QStringLiteral("APDU run"),
                 [&] { return QList<BenchRow>{apduRunRow(log, runs)}; });
        cardRows("cli", QStringLiteral("quorvane-cli: DESFire exercise"),
                 [&] { return QList<BenchRow>{cliExerciseRow(runs)}; });
        cardRows("probed", QStringLiteral("quorvane-cli: stress test beside a probing program"),
                 [&] { return QList<BenchRow>{cliProbedRow(runs)}; });
        cardRows("soak", QStringLiteral("quorvane-cli: through the simulated printer"),
                 [&] { return QList<BenchRow>{cliSoakRow(soakCycles)}; });
        if (wanted("atr")) {
            progress("atr");
            rows += atrIdentificationRows(runs);
        }
        if (wanted("report")) {
            progress("report");
            rows += reportCostRow(runs);
        }
        if (wanted("startup")) {
            progress("startup");
            rows += startupRows(runs);
        }
    }

    std::fputs(qPrintable(formatTable(rows)), stdout);
    const QString jsonPath = parser.value(jsonOption);
    if (!writeJson(rows, jsonPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(jsonPath));
        return 1;
    }
    std::printf("\nwritten to %s\n", qPrintable(jsonPath));
    return 0;
}
