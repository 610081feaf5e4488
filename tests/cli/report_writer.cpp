// Writes a report at the path given, cycle after cycle without end, publishing by
// exchange or, with "copy", by copying: the program a test kills with SIGKILL at a moment
// of its choosing.

#include "cli/report_file.h"
#include "cli/run_report.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2)
        return 2;
    RunSummary summary(1000000);
    ReportFile file(arguments.value(2) != QLatin1String("copy"));
    QString error;
    if (!file.open(arguments[1], reportjson::head(QStringLiteral("R"), std::nullopt, 1000000),
                   reportjson::tail(summary), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (int number = 1;; ++number) {
        CycleRecord cycle;
        cycle.number = number;
        cycle.verdict = CycleRecord::Verdict::Passed;
        cycle.totalMs = 1000 + number % 97;
        cycle.phaseMs[int(Phase::Exercise)] = 40 + number % 13;
        summary.add(cycle);
        if (!file.append(reportjson::entry(cycle, number == 1), reportjson::tail(summary)))
            return 1;
        if (number == 1) {
            std::puts("started");
            std::fflush(stdout);
        }
    }
}
