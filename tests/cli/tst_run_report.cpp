// The run's progress lines, summary and JSON report, from cycles made up here.

#include "cli/run_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

CycleRecord passedCycle(int number, double totalMs, std::array<std::optional<double>, 4> phases) {
    CycleRecord cycle;
    cycle.number = number;
    cycle.verdict = CycleRecord::Verdict::Passed;
    cycle.totalMs = totalMs;
    cycle.phaseMs = phases;
    return cycle;
}

CycleRecord failedCycle(int number, const QString &step, const QString &what) {
    CycleRecord cycle;
    cycle.number = number;
    cycle.fail(step, what);
    return cycle;
}

QJsonObject parsed(const RunReport &report) {
    return QJsonDocument::fromJson(report.json()).object();
}

} // namespace

class TestRunReport : public QObject {
    Q_OBJECT

private slots:
    void progressLines_data();
    void progressLines();
    void firstFailureKept();
    void summaryOfARunThroughThePrinter();
    void summaryOfAStoppedRun();
    void json();
    void writtenWholeOrNotAtAll();
};

void TestRunReport::progressLines_data() {
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("line");
    QTest::newRow("passed") << int(CycleRecord::Verdict::Passed)
                            << "cycle 3/100: passed in 1843 ms";
    QTest::newRow("failed") << int(CycleRecord::Verdict::Failed)
                            << "cycle 3/100: failed at create file: 91 0E";
    QTest::newRow("stopped") << int(CycleRecord::Verdict::Stopped) << "cycle 3/100: stopped";
}

void TestRunReport::progressLines() {
    QFETCH(int, verdict);
    QFETCH(QString, line);
    CycleRecord cycle;
    cycle.number = 3;
    cycle.verdict = CycleRecord::Verdict(verdict);
    cycle.failedStep = QStringLiteral("create file");
    cycle.failure = QStringLiteral("91 0E");
    cycle.totalMs = 1842.6;
    const RunReport report(QStringLiteral("R"), std::nullopt, 100);
    QCOMPARE(report.progressLine(cycle), line);
}

// A passed exercise whose card then cannot be ejected fails the cycle; an eject that
// fails after a failed exercise leaves the first failure on show.
void TestRunReport::firstFailureKept() {
    CycleRecord cycle;
    cycle.verdict = CycleRecord::Verdict::Passed;
    cycle.fail(QStringLiteral("eject"), QStringLiteral("Vantorel SDK: Buffer is too small"));
    QCOMPARE(int(cycle.verdict), int(CycleRecord::Verdict::Failed));
    QCOMPARE(cycle.failedStep, QStringLiteral("eject"));

    CycleRecord earlier = failedCycle(1, QStringLiteral("write file"), QStringLiteral("91 9D"));
    earlier.fail(QStringLiteral("eject"), QStringLiteral("Vantorel SDK: Buffer is too small"));
    QCOMPARE(earlier.failedStep, QStringLiteral("write file"));
    QCOMPARE(earlier.failure, QStringLiteral("91 9D"));
}

void TestRunReport::summaryOfARunThroughThePrinter() {
    RunReport report(QStringLiteral("R"), PrinterDescription{"Q", "contact", 1}, 4);
    report.add(passedCycle(1, 800, {200, 180, 150, 270}));
    report.add(passedCycle(2, 1200, {210, 420, 160, 410}));
    report.add(failedCycle(3, QStringLiteral("create file"), QStringLiteral("91 0E")));
    report.add(passedCycle(4, 1000, {190, 300, 155, 355}));
    QVERIFY(!report.allPassed());
    // The failed cycle counts for the cycle time (0 ms here); an even count takes the
    // mean of the two middle values.
    QCOMPARE(report.summary(), QStringList({"summary: 3 passed, 1 failed of 4 cycles",
                                            "cycle time: median 900 ms, slowest 1200 ms (cycle 2)",
                                            "feed: median 200 ms, slowest 210 ms (cycle 2)",
                                            "detection: median 300 ms, slowest 420 ms (cycle 2)",
                                            "exercise: median 155 ms, slowest 160 ms (cycle 2)",
                                            "eject: median 355 ms, slowest 410 ms (cycle 2)"}));
}

// Only what ran is summed up: no feed or eject without a printer, no time for a cycle
// that was stopped before its verdict.
void TestRunReport::summaryOfAStoppedRun() {
    RunReport report(QStringLiteral("R"), std::nullopt, 100);
    report.add(passedCycle(1, 20, {std::nullopt, 2, 17, std::nullopt}));
    CycleRecord stopped;
    stopped.number = 2;
    stopped.totalMs = 5000;
    stopped.phaseMs[int(Phase::Detection)] = 4990;
    report.add(stopped);
    report.stop(QStringLiteral("interrupted"));
    QCOMPARE(report.summary(), QStringList({"summary: 1 passed, 0 failed, 1 stopped of 100 cycles",
                                            "run stopped: interrupted",
                                            "cycle time: median 20 ms, slowest 20 ms (cycle 1)",
                                            "detection: median 2496 ms, slowest 4990 ms (cycle 2)",
                                            "exercise: median 17 ms, slowest 17 ms (cycle 1)"}));
    QVERIFY(!report.allPassed());

    RunReport whole(QStringLiteral("R"), std::nullopt, 1);
    whole.add(passedCycle(1, 20, {}));
    QVERIFY(whole.allPassed());
}

void TestRunReport::json() {
    RunReport report(QStringLiteral("Virtual PCD 00 01"),
                     PrinterDescription{"Vantorel_Sim", "contactless", 1}, 3);
    report.add(passedCycle(1, 812.345, {210.04, 188.06, 14.0, 400.25}));
    CycleRecord failed =
        failedCycle(2, QStringLiteral("authenticate to the card"), QStringLiteral("91 AE"));
    failed.status = QStringLiteral("91 AE");
    report.add(failed);
    report.stop(QStringLiteral("the printer did not eject the card: Vantorel SDK: x"));
    const QJsonObject root = parsed(report);

    QCOMPARE(root[QStringLiteral("reader")].toString(), QStringLiteral("Virtual PCD 00 01"));
    const QJsonObject printer = root[QStringLiteral("printer")].toObject();
    QCOMPARE(printer[QStringLiteral("queue")].toString(), QStringLiteral("Vantorel_Sim"));
    QCOMPARE(printer[QStringLiteral("station")].toString(), QStringLiteral("contactless"));
    QCOMPARE(printer[QStringLiteral("printerType")].toInt(), 1);
    QCOMPARE(root[QStringLiteral("cyclesRequested")].toInt(), 3);
    QCOMPARE(root[QStringLiteral("cyclesRun")].toInt(), 2);
    QCOMPARE(root[QStringLiteral("passed")].toInt(), 1);
    QCOMPARE(root[QStringLiteral("failed")].toInt(), 1);
    QCOMPARE(root[QStringLiteral("stopped")].toInt(), 0);
    QCOMPARE(root[QStringLiteral("stopReason")].toString(),
             QStringLiteral("the printer did not eject the card: Vantorel SDK: x"));

    const QJsonArray cycles = root[QStringLiteral("cycles")].toArray();
    QCOMPARE(cycles.size(), 2);
    const QJsonObject first = cycles[0].toObject();
    QCOMPARE(first[QStringLiteral("cycle")].toInt(), 1);
    QCOMPARE(first[QStringLiteral("verdict")].toString(), QStringLiteral("passed"));
    QVERIFY(first[QStringLiteral("failedStep")].isNull());
    QVERIFY(first[QStringLiteral("status")].isNull());
    const QJsonObject ms = first[QStringLiteral("ms")].toObject();
    QCOMPARE(ms[QStringLiteral("feed")].toDouble(), 210.0);
    QCOMPARE(ms[QStringLiteral("detection")].toDouble(), 188.1);
    QCOMPARE(ms[QStringLiteral("exercise")].toDouble(), 14.0);
    QCOMPARE(ms[QStringLiteral("eject")].toDouble(), 400.3);
    QCOMPARE(ms[QStringLiteral("cycle")].toDouble(), 812.3);

    const QJsonObject second = cycles[1].toObject();
    QCOMPARE(second[QStringLiteral("verdict")].toString(), QStringLiteral("failed"));
    QCOMPARE(second[QStringLiteral("failedStep")].toString(),
             QStringLiteral("authenticate to the card"));
    QCOMPARE(second[QStringLiteral("failure")].toString(), QStringLiteral("91 AE"));
    QCOMPARE(second[QStringLiteral("status")].toString(), QStringLiteral("91 AE"));
    QVERIFY(second[QStringLiteral("codeName")].isNull());
    QVERIFY(second[QStringLiteral("ms")].toObject()[QStringLiteral("feed")].isNull());

    QVERIFY(parsed(RunReport(QStringLiteral("R"), std::nullopt, 1))[QStringLiteral("printer")]
                .isNull());
}

void TestRunReport::writtenWholeOrNotAtAll() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    RunReport report(QStringLiteral("R"), std::nullopt, 1);
    report.add(passedCycle(1, 20, {}));
    const QString path = dir.filePath(QStringLiteral("r.json"));
    QString error;
    QVERIFY2(report.write(path, &error), qPrintable(error));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), report.json());

    QVERIFY(!report.write(dir.filePath(QStringLiteral("missing/r.json")), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"r.json"});
}

QTEST_GUILESS_MAIN(TestRunReport)
#include "tst_run_report.moc"
