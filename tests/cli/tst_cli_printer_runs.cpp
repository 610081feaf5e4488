// quorvane-cli's stress test through the simulated card printer, run as a program: the
// printer found by its CUPS queue, the simulated SDK loaded from LD_LIBRARY_PATH as the
// real one would be, its card fed to the vpcd readers. The simulator's call log, with
// the card's state after each call, is the record of what the printer was asked and
// where the card ended up.

#include "cli_process.h"
#include "inserted_card.h"
#include "pcsc_test_support.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString contact = QLatin1String(testsupport::contactReader);
const QString contactless = QLatin1String(testsupport::contactlessReader);
const QString simQueue = QStringLiteral("Vantorel_Sim");

} // namespace

class TestCliPrinterRuns : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void cyclesThroughThePrinter_data();
    void cyclesThroughThePrinter();
    void printerFailures_data();
    void printerFailures();
    void stoppedInTheMiddleOfARun_data();
    void stoppedInTheMiddleOfARun();
    void outputClosedInTheMiddleOfARun();
    void setupErrors_data();
    void setupErrors();

private:
    QStringList simulator(const QStringList &settings = {}) const;
    QStringList calls() const;
    QString lastCardState() const;
    void verifyEndedCleanly(const QString &stopReason, int cyclesPrinted) const;
    QStringList printerRun(const QString &station, const QString &reader, int cycles) const;

    QTemporaryDir dir_;
    QString log_;
    QString report_;
};

void TestCliPrinterRuns::initTestCase() {
    QUORVANE_REQUIRE_PCSC();
    if (!QPrinterInfo::availablePrinterNames().contains(simQueue))
        QSKIP("The CUPS queue Vantorel_Sim is missing; run scripts/start-cups.sh");
    QVERIFY(dir_.isValid());
    log_ = dir_.filePath(QStringLiteral("calls.log"));
    report_ = dir_.filePath(QStringLiteral("report.json"));
}

void TestCliPrinterRuns::init() {
    QFile::remove(log_);
    QFile::remove(report_);
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));
}

// The program's environment: the simulated SDK where the loader finds it, logging every
// call and the card's state, with the settings given.
QStringList TestCliPrinterRuns::simulator(const QStringList &settings) const {
    return QStringList{QStringLiteral("LD_LIBRARY_PATH=" SDK_DIR),
                       QStringLiteral("VANTOREL_SIM_LOG=") + log_,
                       QStringLiteral("VANTOREL_SIM_LOG_CARD=1")} +
           settings;
}

QStringList TestCliPrinterRuns::calls() const {
    QFile log(log_);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .filter(QRegularExpression(QStringLiteral("^ID_")));
}

QString TestCliPrinterRuns::lastCardState() const {
    QFile log(log_);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QStringList states = QString::fromUtf8(log.readAll())
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                   .filter(QRegularExpression(QStringLiteral("^card ")));
    return states.isEmpty() ? QString() : states.last();
}

QStringList TestCliPrinterRuns::printerRun(const QString &station, const QString &reader,
                                           int cycles) const {
    return {QStringLiteral("desfire-test"),
            QStringLiteral("--printer"),
            simQueue,
            QStringLiteral("--station"),
            station,
            QStringLiteral("-r"),
            reader,
            QStringLiteral("--cycles"),
            QString::number(cycles),
            QStringLiteral("--report"),
            report_};
}

void TestCliPrinterRuns::cyclesThroughThePrinter_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("cycleCalls"); // the card motions of one cycle

    QTest::newRow("20 cycles, contactless, fed and ejected")
        << "contactless" << contactless << 20 << QStringList()
        << QStringList{"ID_SmartMode 1 1 *1", "ID_FeedCard 1 1 0", "ID_WaitForPrinter 1",
                       "ID_EjectCard 1", "ID_WaitForPrinter 1"};
    QTest::newRow("contact, a printer busy twice after each motion")
        << "contact" << contact << 3 << QStringList{"VANTOREL_SIM_WAIT_BUSY=2"}
        << QStringList{"ID_SmartMode 1 1 *0", "ID_FeedCard 1 0 0",   "ID_WaitForPrinter 1",
                       "ID_WaitForPrinter 1", "ID_WaitForPrinter 1", "ID_EjectCard 1",
                       "ID_WaitForPrinter 1", "ID_WaitForPrinter 1", "ID_WaitForPrinter 1"};
    QTest::newRow("contact, a printer that moves the card directly")
        << "contact" << contact << 3 << QStringList{"VANTOREL_SIM_PRINTER_TYPE=4"}
        << QStringList{"ID_MoveCard 1 5", "ID_MoveCard 1 6"};
}

// Every cycle passes; the session is opened once; the card ends out of the printer,
// empty; the report holds every cycle with each phase's time.
void TestCliPrinterRuns::cyclesThroughThePrinter() {
    QFETCH(QString, station);
    QFETCH(QString, reader);
    QFETCH(int, cycles);
    QFETCH(QStringList, settings);
    QFETCH(QStringList, cycleCalls);

    CliProcess run(printerRun(station, reader, cycles), simulator(settings));
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    const QStringList progress = run.progressLines();
    QCOMPARE(progress.size(), cycles);
    for (int i = 0; i < cycles; ++i)
        QVERIFY2(progress[i].startsWith(
                     QStringLiteral("cycle %1/%2: passed in ").arg(i + 1).arg(cycles)),
                 qPrintable(progress[i]));
    QVERIFY(run.output().contains(
        QStringLiteral("summary: %1 passed, 0 failed of %1 cycles").arg(cycles)));
    for (const char *phase : {"\nfeed: ", "\ndetection: ", "\nexercise: ", "\neject: "})
        QVERIFY2(run.output().contains(QLatin1String(phase)), phase);

    const QStringList made = calls();
    QCOMPARE(made.value(0), QStringLiteral("ID_OpenSession \"Vantorel_Sim\" *0 0"));
    QCOMPARE(made.value(1), QStringLiteral("ID_PrinterType 1"));
    QStringList expected = made.mid(0, 2);
    for (int i = 0; i < cycles; ++i)
        expected += cycleCalls;
    expected += QStringLiteral("ID_CloseSession 1");
    QCOMPARE(made, expected);
    QVERIFY2(lastCardState().startsWith(QLatin1String("card slot=-1 ")),
             qPrintable(lastCardState()));
    QVERIFY2(lastCardState().contains(QLatin1String(" applications=none ")),
             qPrintable(lastCardState()));

    const QJsonObject json = readReport(report_);
    QCOMPARE(json[QStringLiteral("reader")].toString(), reader);
    const QJsonObject printer = json[QStringLiteral("printer")].toObject();
    QCOMPARE(printer[QStringLiteral("queue")].toString(), simQueue);
    QCOMPARE(printer[QStringLiteral("station")].toString(), station);
    QCOMPARE(json[QStringLiteral("passed")].toInt(), cycles);
    const QJsonArray reported = json[QStringLiteral("cycles")].toArray();
    QCOMPARE(reported.size(), cycles);
    for (int i = 0; i < cycles; ++i) {
        const QJsonObject cycle = reported[i].toObject();
        QCOMPARE(cycle[QStringLiteral("cycle")].toInt(), i + 1);
        QCOMPARE(cycle[QStringLiteral("verdict")].toString(), QStringLiteral("passed"));
        const QJsonObject ms = cycle[QStringLiteral("ms")].toObject();
        for (const char *phase : {"feed", "detection", "exercise", "eject", "cycle"})
            QVERIFY2(ms[QLatin1String(phase)].isDouble(), phase);
    }
}

void TestCliPrinterRuns::printerFailures_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QString>("stopped");
    QTest::addColumn<QString>("cardState"); // how the last card state line begins

    const QString fed = QStringLiteral("run stopped: the printer did not feed the card: ");
    QTest::newRow("feed refused")
        << QStringList{"VANTOREL_SIM_RESULT_ID_FeedCard=-3"}
        << "cycle 1/3: failed at feed: Vantorel SDK: Printer has reported an error"
        << fed + "Vantorel SDK: Printer has reported an error"
        << "card slot=-1 ";
    QTest::newRow("printer busy past the time-out")
        << QStringList{"VANTOREL_SIM_WAIT_BUSY=forever", "--printer-timeout", "0.3"}
        << "cycle 1/3: failed at feed: Vantorel SDK: Timed out waiting for a response from the "
           "printer"
        << fed + "Vantorel SDK: Timed out waiting for a response from the printer"
        << "card slot=-1 ";
    QTest::newRow("printer fault ends the wait")
        << QStringList{"VANTOREL_SIM_RESULT_ID_WaitForPrinter=-15"}
        << "cycle 1/3: failed at feed: Vantorel SDK: Printer is not equipped for this action"
        << fed + "Vantorel SDK: Printer is not equipped for this action"
        << "card slot=-1 ";
    QTest::newRow("SDK without ID_FeedCard")
        << QStringList{"LD_LIBRARY_PATH=" VARIANTS_DIR "/ID_FeedCard"}
        << "cycle 1/3: failed at feed: Can't launch Contactless: the SDK library has no "
           "ID_FeedCard"
        << fed + "Can't launch Contactless: the SDK library has no ID_FeedCard"
        << "card slot=-1 ";
    // The card passed, yet stays in the station: the cycle fails, the run cannot go on.
    QTest::newRow("eject refused")
        << QStringList{"VANTOREL_SIM_RESULT_ID_EjectCard=-8"}
        << "cycle 1/3: failed at eject: Vantorel SDK: Printer is already printing a job"
        << "run stopped: the printer did not eject the card: Vantorel SDK: Printer is already "
           "printing a job"
        << "card slot=1 ";
}

// A printer failure fails the cycle with the SDK's text and ends the run after it; a
// card the printer may have fed is ejected.
void TestCliPrinterRuns::printerFailures() {
    QFETCH(QStringList, settings);
    QFETCH(QString, progress);
    QFETCH(QString, stopped);
    QFETCH(QString, cardState);

    QStringList arguments = printerRun(QStringLiteral("contactless"), contactless, 3);
    QStringList environment;
    for (int i = 0; i < settings.size(); ++i) {
        if (settings[i].startsWith(QLatin1String("--"))) {
            arguments << settings[i] << settings[i + 1];
            ++i;
        } else {
            environment << settings[i];
        }
    }
    CliProcess run(arguments, simulator(environment));
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(run.progressLines(), QStringList{progress});
    QVERIFY2(run.outputLines().contains(stopped), qPrintable(run.output()));
    QVERIFY2(lastCardState().startsWith(cardState), qPrintable(lastCardState()));
    const QJsonObject json = readReport(report_);
    QCOMPARE(json[QStringLiteral("cyclesRun")].toInt(), 1);
    QCOMPARE(json[QStringLiteral("stopReason")].toString(),
             stopped.mid(int(strlen("run stopped: "))));
}

// The run after a stop: the card out of the printer and empty, the session closed, the
// report whole with the cycles that finished, none failed.
void TestCliPrinterRuns::verifyEndedCleanly(const QString &stopReason, int cyclesPrinted) const {
    const QStringList made = calls();
    QCOMPARE(made.value(made.size() - 1), QStringLiteral("ID_CloseSession 1"));
    QVERIFY2(lastCardState().startsWith(QLatin1String("card slot=-1 ")),
             qPrintable(lastCardState()));
    QVERIFY2(lastCardState().contains(QLatin1String(" applications=none ")),
             qPrintable(lastCardState()));
    const QJsonObject json = readReport(report_);
    QCOMPARE(json[QStringLiteral("stopReason")].toString(), stopReason);
    const QJsonArray cycles = json[QStringLiteral("cycles")].toArray();
    QVERIFY2(cycles.size() >= cyclesPrinted && cycles.size() <= cyclesPrinted + 1,
             qPrintable(QString::number(cycles.size())));
    QCOMPARE(json[QStringLiteral("cyclesRun")].toInt(), cycles.size());
    QCOMPARE(json[QStringLiteral("failed")].toInt(), 0);
}

void TestCliPrinterRuns::stoppedInTheMiddleOfARun_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reason");
    QTest::newRow("Ctrl-C") << SIGINT << 130 << "interrupted";
    QTest::newRow("SIGTERM, as timeout and systemd send it") << SIGTERM << 143 << "terminated";
    QTest::newRow("SIGHUP, as a closed session sends it") << SIGHUP << 129 << "hung up";
}

// A stop signal while cards go through: the cycle under way ends with the card ejected
// and empty, and the run stops with its summary and report.
void TestCliPrinterRuns::stoppedInTheMiddleOfARun() {
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    QFETCH(QString, reason);
    CliProcess run(printerRun(QStringLiteral("contactless"), contactless, 100), simulator());
    QVERIFY(run.waitForOutput(QStringLiteral("cycle 2/100: ")));
    run.signal(signal);
    QVERIFY(run.finish(60000));

    QCOMPARE(run.exitCode(), exitCode);
    QVERIFY(run.output().contains(QStringLiteral("\nrun stopped: ") + reason + '\n'));
    QVERIFY(run.output().contains(QLatin1String("\nsummary: ")));
    QVERIFY2(run.errors().contains(QLatin1String("stopping after the step under way")),
             qPrintable(run.errors()));
    verifyEndedCleanly(reason, run.progressLines().size());
    QCOMPARE(readReport(report_)[QStringLiteral("cycles")].toArray().size(),
             run.progressLines().size());
}

// "| head -1": the first line goes through, the next cannot be written; the run stops as
// it does on a signal, with SIGPIPE's status.
void TestCliPrinterRuns::outputClosedInTheMiddleOfARun() {
    QStringList arguments = printerRun(QStringLiteral("contactless"), contactless, 100);
    for (QString &argument : arguments)
        argument = "'" + argument + "'";
    CliProcess run(CliProcess::shellScript,
                   "\"$0\" " + arguments.join(' ') + " | head -1; exit ${PIPESTATUS[0]}",
                   simulator());
    QVERIFY(run.finish(60000));

    QCOMPARE(run.exitCode(), 141);
    QCOMPARE(run.progressLines().size(), 1);
    QVERIFY2(run.errors().startsWith(QLatin1String(
                 "quorvane-cli: standard output cannot be written (Broken pipe): stopping after "
                 "the step under way\n")),
             qPrintable(run.errors()));
    verifyEndedCleanly(QStringLiteral("standard output cannot be written"), 2);
}

void TestCliPrinterRuns::setupErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("cardInReader");
    QTest::addColumn<QString>("message");

    const QStringList contactRun{"desfire-test", "--printer", simQueue, "--station",
                                 "contact",      "-r",        contact};
    QTest::newRow("unknown queue")
        << QStringList{"desfire-test", "--printer", "No_Such_Queue", "--station",
                       "contact",      "-r",        contact}
        << QStringList() << false
        << "no printer queue \"No_Such_Queue\": \"lpstat -p\" lists the queues";
    QTest::newRow("no SDK library") << contactRun << QStringList{"LD_LIBRARY_PATH=/nonexistent"}
                                    << false << "no printer SDK library (libVantorelAPI.so)";
    QTest::newRow("SDK refuses the session")
        << contactRun << QStringList{"VANTOREL_SIM_RESULT_ID_OpenSession=-9"} << false
        << "no session with the printer \"Vantorel_Sim\": Vantorel SDK: Session already active";
    QTest::newRow("printer unknown to the SDK")
        << contactRun << QStringList{"VANTOREL_SIM_PRINTER=Other"} << false
        << "no session with the printer \"Vantorel_Sim\": Vantorel SDK: Error opening "
           "communication with the printer";
    QTest::newRow("a card already in the station's reader")
        << contactRun << QStringList() << true << "a card is already in " + contact;
    // A queue of another driver, when this machine has one.
    for (const QString &queue : QPrinterInfo::availablePrinterNames()) {
        if (QPrinterInfo::printerInfo(queue).makeAndModel().startsWith(QLatin1String("Vantorel")))
            continue;
        QTest::newRow("queue of another driver")
            << QStringList{"desfire-test", "--printer", queue,  "--station",
                           "contact",      "-r",        contact}
            << QStringList() << false
            << QStringLiteral("the printer queue \"%1\" is not driven by the Vantorel card "
                              "printer driver")
                   .arg(queue);
        break;
    }
}

void TestCliPrinterRuns::setupErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, settings);
    QFETCH(bool, cardInReader);
    QFETCH(QString, message);

    InsertedCard card;
    if (cardInReader)
        QVERIFY(card.insert());
    CliProcess run(arguments, simulator(settings));
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 2);
    QCOMPARE(run.output(), QString());
    QVERIFY2(run.errors().startsWith(QStringLiteral("quorvane-cli: ") + message),
             qPrintable(run.errors()));
    QVERIFY(calls()
                .filter(QRegularExpression(QStringLiteral("^ID_(SmartMode|FeedCard|MoveCard)")))
                .isEmpty());
}

QTEST_GUILESS_MAIN(TestCliPrinterRuns)
#include "tst_cli_printer_runs.moc"
