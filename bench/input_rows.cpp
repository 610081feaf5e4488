#include "input_rows.h"

#include "clock.h"
#include "hostile_atr_list.h"

#include "card/card_reports.h"
#include "cli/run_report.h"
#include "worker/atr_list_sources.h"
#include "worker/card_identification.h"
#include "worker/compiled_resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int cardsPerRun = 200;
constexpr int longRun = 100000;
constexpr int window = 100; // cycles averaged at each end

struct CountedReports : CardReports {
    void reportUiMessage(const QString &) override { ++messages; }
    void reportPopup(const QString &, const QString &) override {}
    int messages = 0;
};

QByteArray todaysList() {
    ensureCompiledResources();
    QFile list(compiledAtrList);
    return list.open(QIODevice::ReadOnly) ? list.readAll() : QByteArray();
}

// Identification as the worker does it, with the list at the user's path: the first card
// after the list was written (it is read and parsed), then the median of the cards after
// it. False when the card was not identified from that list.
bool identificationTimes(const QByteArray &list, const QByteArray &atr, double *firstMs,
                         double *laterMs) {
    QTemporaryDir cacheHome;
    QFile file(cacheHome.filePath(QStringLiteral("smartcard_list.txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write(list) != list.size())
        return false;
    file.close();
    const QByteArray before = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    CountedReports reports;
    double start = nowMs();
    reportAtrIdentification(atr, reports);
    *firstMs = nowMs() - start;
    const bool identified = reports.messages >= 2;
    QVector<double> later;
    for (int card = 0; card < cardsPerRun; ++card) {
        start = nowMs();
        reportAtrIdentification(atr, reports);
        later.append(nowMs() - start);
    }
    *laterMs = median(later);
    qputenv("XDG_CACHE_HOME", before);
    return identified;
}

// A cycle as a run through the printer records it; one in 37 fails at the card.
CycleRecord runCycle(int number) {
    CycleRecord cycle;
    cycle.number = number;
    cycle.verdict = CycleRecord::Verdict::Passed;
    cycle.phaseMs = {610.0 + number % 41, 95.0 + number % 17, 38.0 + number % 5,
                     640.0 + number % 23};
    cycle.totalMs = 1390.0 + number % 89;
    if (number % 37 == 0) {
        cycle.fail(QStringLiteral("create file"), QStringLiteral("91 0E"));
        cycle.status = QStringLiteral("91 0E");
    }
    return cycle;
}

} // namespace

QList<BenchRow> atrIdentificationRows(int runs) {
    const QString note = QStringLiteral("reportAtrIdentification with the list at the user's "
                                        "path, as a worker identifies a card");
    BenchRow todayFirst{QStringLiteral("ATR identification, today's list, first card"),
                        QStringLiteral("ms"),
                        {},
                        note + QStringLiteral("; reads and parses it")};
    BenchRow today{QStringLiteral("ATR identification, today's list, each card after"),
                   QStringLiteral("ms"),
                   {BenchTarget::Below, 1.0},
                   note + QStringLiteral("; median of 200 cards")};
    BenchRow hostileFirst{QStringLiteral("ATR identification, 4 MiB hostile list, first card"),
                          QStringLiteral("ms"),
                          {BenchTarget::Below, 1000.0},
                          QStringLiteral("4000 catastrophic expressions and costly patterns in "
                                         "the list's syntax before the card's pattern entry")};
    BenchRow hostile{QStringLiteral("ATR identification, 4 MiB hostile list, each card after"),
                     QStringLiteral("ms"),
                     {BenchTarget::Below, 1000.0},
                     QStringLiteral("every pattern in front tried; median of 200 cards")};
    const QByteArray desfire = QByteArray::fromHex("3B8180018080");
    const QByteArray list = todaysList();
    const QByteArray hostileList =
        hostilelist::hostileList(4 << 20, "3B 81 80 0. 8[0-F] .*\n\tThe card's own entry\n");
    for (int run = 0; run < runs; ++run) {
        double first = 0;
        double later = 0;
        if (!identificationTimes(list, desfire, &first, &later))
            return {unavailableRow(today.name, QStringLiteral("the card was not identified"))};
        todayFirst.samples.append(first);
        today.samples.append(later);
        if (!identificationTimes(hostileList, desfire, &first, &later))
            return {unavailableRow(hostile.name, QStringLiteral("the card was not identified"))};
        hostileFirst.samples.append(first);
        hostile.samples.append(later);
    }
    return {todayFirst, today, hostileFirst, hostile};
}

BenchRow reportCostRow(int runs) {
    BenchRow row{QStringLiteral("Run report, cost per cycle at cycle 100,000"),
                 QStringLiteral("us"),
                 {BenchTarget::TimesFloor, 2.0},
                 QStringLiteral("RunReport::add and the progress line of each cycle, its file in "
                                "the current folder, mean of cycles 99,901 to 100,000; floor: "
                                "the same over cycles 1 to 100 of the same run")};
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir(QDir::current().filePath(QStringLiteral("report-bench-XXXXXX")));
        RunReport report(
            QStringLiteral("Virtual PCD 00 00"),
            PrinterDescription{QStringLiteral("Vantorel_Sim"), QStringLiteral("contact"), 1},
            longRun);
        QString error;
        if (!report.keepFile(dir.filePath(QStringLiteral("soak.json")), &error))
            return unavailableRow(row.name, error);
        double early = 0;
        double late = 0;
        for (int number = 1; number <= longRun; ++number) {
            const CycleRecord cycle = runCycle(number);
            const double start = nowMs();
            report.add(cycle);
            const QString line = report.progressLine(cycle);
            const double spent = nowMs() - start;
            if (number <= window)
                early += spent;
            else if (number > longRun - window)
                late += spent;
            Q_UNUSED(line);
        }
        if (!report.finishFile(&error))
            return unavailableRow(row.name, error);
        row.samples.append(late / window * 1000);
        row.floorSamples.append(early / window * 1000);
    }
    return row;
}
