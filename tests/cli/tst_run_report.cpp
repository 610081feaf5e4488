// The run's progress lines, summary and JSON report, from cycles made up here; the
// report's file read while it is written and after its writer was killed.

#include "cli/run_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
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

QJsonObject parsedFile(const QString &path, QJsonParseError *error = nullptr) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll(), error).object();
}

// What a straightforward sort gives.
Spread sortedSpread(QVector<QPair<double, int>> values) {
    Spread spread{0, values[0].first, values[0].second};
    for (const auto &[ms, cycle] : values)
        if (ms > spread.slowestMs)
            spread = Spread{0, ms, cycle};
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    spread.medianMs = values.size() % 2 ? values[middle].first
                                        : (values[middle - 1].first + values[middle].first) / 2;
    return spread;
}

CycleRecord numberedCycle(int number) {
    return passedCycle(number, 1000 + number % 97, {200, 150 + number % 7, 40, 300});
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
    void spreadKeptUp();
    void json();
    void documentHoldsAnyText_data();
    void documentHoldsAnyText();
    void fileWholeAfterEveryCycle_data();
    void fileWholeAfterEveryCycle();
    void fileNotWritable();
    void readersSeeWholeDocuments_data();
    void readersSeeWholeDocuments();
    void wholeWhenKilled_data();
    void wholeWhenKilled();
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

// The running median and slowest agree with a sort of every value at every count.
void TestRunReport::spreadKeptUp() {
    QRandomGenerator random(3);
    RunningSpread running;
    QVector<QPair<double, int>> values;
    for (int cycle = 1; cycle <= 1500; ++cycle) {
        // Few distinct values, so that equal ones meet in both halves.
        const double ms = random.bounded(40) * 2.5;
        running.add(ms, cycle);
        values.append({ms, cycle});
        const Spread expected = sortedSpread(values);
        const std::optional<Spread> got = running.spread();
        QVERIFY(got);
        QCOMPARE(got->medianMs, expected.medianMs);
        QCOMPARE(got->slowestMs, expected.slowestMs);
        QCOMPARE(got->slowestCycle, expected.slowestCycle);
    }
    QVERIFY(!RunningSpread().spread());
}

void TestRunReport::json() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("r.json"));
    RunReport report(QStringLiteral("Virtual PCD 00 01"),
                     PrinterDescription{"Vantorel_Sim", "contactless", 1}, 3);
    QString error;
    QVERIFY2(report.keepFile(path, &error), qPrintable(error));
    report.add(passedCycle(1, 812.345, {210.04, 188.06, 14.0, 400.25}));
    CycleRecord failed =
        failedCycle(2, QStringLiteral("authenticate to the card"), QStringLiteral("91 AE"));
    failed.status = QStringLiteral("91 AE");
    report.add(failed);
    report.stop(QStringLiteral("the printer did not eject the card: Vantorel SDK: x"));
    QVERIFY2(report.finishFile(&error), qPrintable(error));
    const QJsonObject root = parsedFile(path);

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
    const QJsonObject cycleTime = root[QStringLiteral("cycleTime")].toObject();
    QCOMPARE(cycleTime[QStringLiteral("medianMs")].toDouble(), 406.2);
    QCOMPARE(cycleTime[QStringLiteral("slowestMs")].toDouble(), 812.3);
    QCOMPARE(cycleTime[QStringLiteral("slowestCycle")].toInt(), 1);
    const QJsonObject phases = root[QStringLiteral("phases")].toObject();
    QCOMPARE(phases[QStringLiteral("feed")].toObject()[QStringLiteral("medianMs")].toDouble(),
             210.0);

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

    // One line for each cycle.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("\n{\""), 2);
}

void TestRunReport::documentHoldsAnyText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes and backslashes") << QStringLiteral("Virtual\\xFF \"PCD\" \\");
    QTest::newRow("control characters") << QString::fromLatin1("a\x01\x1f\t\r\nb");
    QTest::newRow("beyond ASCII") << QString::fromUtf8(
        "Lecteur \xc3\xa9 \xe2\x80\xa8 \xf0\x9f\x92\xb3");
    QTest::newRow("empty") << QString();
}

// Reader names, steps and failures go into the document as they are; it parses, and
// gives them back.
void TestRunReport::documentHoldsAnyText() {
    QFETCH(QString, text);
    RunSummary summary(2);
    CycleRecord cycle = failedCycle(1, text, text);
    cycle.codeName = text;
    summary.add(cycle);
    summary.stop(text);
    const QByteArray document = reportjson::head(text, PrinterDescription{text, text, -1}, 2) +
                                reportjson::entry(cycle, true) + reportjson::entry(cycle, false) +
                                reportjson::tail(summary);
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(document, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(QString::fromUtf8(document).toUtf8(), document);
    QCOMPARE(root[QStringLiteral("reader")].toString(), text);
    QCOMPARE(root[QStringLiteral("printer")].toObject()[QStringLiteral("queue")].toString(), text);
    QCOMPARE(root[QStringLiteral("cycles")].toArray().size(), 2);
    QCOMPARE(root[QStringLiteral("cycles")]
                 .toArray()[1]
                 .toObject()[QStringLiteral("failure")]
                 .toString(),
             text.isEmpty() ? QString() : text);
    QCOMPARE(root[QStringLiteral("stopReason")].toString(), text);
}

void TestRunReport::fileWholeAfterEveryCycle_data() {
    QTest::addColumn<bool>("exchange");
    QTest::newRow("exchanged in one step") << true;
    QTest::newRow("copied where the file system cannot exchange") << false;
}

// An earlier run's report stays until this run has a cycle to show; from then on the
// file is a whole document, by exchange after every cycle or by copy at least once a
// second; nothing but the report is left beside it, also when the run ends early.
void TestRunReport::fileWholeAfterEveryCycle() {
    QFETCH(bool, exchange);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("r.json"));
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("{\"earlier\":true}");
    }
    RunSummary summary(40);
    ReportFile file(exchange);
    QString error;
    QVERIFY2(
        file.open(path, reportjson::head("R", std::nullopt, 40), reportjson::tail(summary), &error),
        qPrintable(error));
    QVERIFY(parsedFile(path)[QStringLiteral("earlier")].toBool());
    for (int number = 1; number <= 40; ++number) {
        const CycleRecord cycle = numberedCycle(number);
        summary.add(cycle);
        QVERIFY(file.append(reportjson::entry(cycle, number == 1), reportjson::tail(summary)));
        QJsonParseError parse{};
        const QJsonObject root = parsedFile(path, &parse);
        QCOMPARE(parse.error, QJsonParseError::NoError);
        const int shown = root[QStringLiteral("cyclesRun")].toInt();
        QCOMPARE(root[QStringLiteral("cycles")].toArray().size(), shown);
        if (exchange)
            QCOMPARE(shown, number);
        else
            QVERIFY(shown >= 1 && shown <= number);
    }
    summary.stop(QStringLiteral("interrupted"));
    QVERIFY2(file.finish(reportjson::tail(summary), &error), qPrintable(error));
    const QJsonObject root = parsedFile(path);
    QCOMPARE(root[QStringLiteral("cycles")].toArray().size(), 40);
    QCOMPARE(root[QStringLiteral("stopReason")].toString(), QStringLiteral("interrupted"));
    const auto everything = QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;
    QCOMPARE(QDir(dir.path()).entryList(everything), QStringList{"r.json"});

    // A run that ends before its report had a cycle leaves the path as it found it.
    {
        ReportFile unused(exchange);
        QVERIFY(unused.open(dir.filePath(QStringLiteral("other.json")), "{", "}", &error));
    }
    QCOMPARE(QDir(dir.path()).entryList(everything), QStringList{"r.json"});
}

void TestRunReport::fileNotWritable() {
    RunReport report(QStringLiteral("R"), std::nullopt, 1);
    QString error;
    QVERIFY(!report.keepFile(QStringLiteral("/nonexistent/r.json"), &error));
    QCOMPARE(error, QStringLiteral("No such file or directory"));
    QVERIFY(report.finishFile(&error)); // no file to finish

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!report.keepFile(dir.path(), &error));
    QCOMPARE(error, QStringLiteral("Is a directory"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestRunReport::readersSeeWholeDocuments_data() {
    QTest::addColumn<bool>("exchange");
    QTest::addColumn<int>("updatesWhileOpen");
    // The copy a reader opened is written again two updates on: one cycle's grace.
    QTest::newRow("exchanged in one step") << true << 1;
    // Every version a new file, never written again.
    QTest::newRow("copied where the file system cannot exchange") << false << 5;
}

// A reader that opened the report, then reads it while the run goes on, reads the
// version it opened, whole.
void TestRunReport::readersSeeWholeDocuments() {
    QFETCH(bool, exchange);
    QFETCH(int, updatesWhileOpen);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("r.json"));
    constexpr int cycles = 300;
    RunSummary summary(cycles);
    ReportFile file(exchange);
    QString error;
    QVERIFY(file.open(path, reportjson::head("R", std::nullopt, cycles), reportjson::tail(summary),
                      &error));
    int number = 0;
    const auto nextCycle = [&] {
        const CycleRecord cycle = numberedCycle(++number);
        summary.add(cycle);
        return file.append(reportjson::entry(cycle, number == 1), reportjson::tail(summary));
    };
    QVERIFY(nextCycle());
    int lastShown = 0;
    while (number < cycles) {
        QFile opened(path);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        for (int update = 0; update < updatesWhileOpen; ++update)
            QVERIFY(nextCycle());
        QJsonParseError parse{};
        const QJsonObject root = QJsonDocument::fromJson(opened.readAll(), &parse).object();
        QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
        const int shown = root[QStringLiteral("cyclesRun")].toInt();
        QCOMPARE(root[QStringLiteral("cycles")].toArray().size(), shown);
        QVERIFY(shown >= lastShown && shown <= number - updatesWhileOpen);
        lastShown = shown;
    }
    QVERIFY(file.finish(reportjson::tail(summary), &error));
    QCOMPARE(parsedFile(path)[QStringLiteral("cyclesRun")].toInt(), number);
}

void TestRunReport::wholeWhenKilled_data() {
    fileWholeAfterEveryCycle_data();
}

// The writing program killed at moments picked at random: the report at the path is a
// whole document every time.
void TestRunReport::wholeWhenKilled() {
    QFETCH(bool, exchange);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("r.json"));
    QRandomGenerator random(11);
    for (int kill = 0; kill < 15; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(REPORT_WRITER),
                     {path, exchange ? QStringLiteral("exchange") : QStringLiteral("copy")});
        QVERIFY(writer.waitForReadyRead(10000));
        QThread::usleep(random.bounded(200000));
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        QJsonParseError parse{};
        const QJsonObject root = parsedFile(path, &parse);
        QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
        QVERIFY(root[QStringLiteral("cyclesRun")].toInt() >= 1);
        QCOMPARE(root[QStringLiteral("cycles")].toArray().size(),
                 root[QStringLiteral("cyclesRun")].toInt());
    }
}

QTEST_GUILESS_MAIN(TestRunReport)
#include "tst_run_report.moc"
