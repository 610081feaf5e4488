// The printer operations against the simulated SDK, loaded the way the program loads
// the real one (CTest puts the simulator's directory on LD_LIBRARY_PATH). The
// simulator reads its settings from the environment at every call, so each case sets
// them with qputenv; its printer has no card here (VANTOREL_SIM_CARD=none), so no
// reader is touched. The simulator's call log is the record of what the program asked.

#include "fake_printer_platform.h"
#include "printer_operations.h"
#include "stdout_capture.h"

#include "printer/printer_control.h"
#include "printer/printer_state.h"
#include "printer/sdk_api.h"
#include "printer/sdk_errors.h"
#include "printer/sdk_library.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLibrary>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const char *const simSettings[] = {
    "VANTOREL_SIM_PRINTER_TYPE",
    "VANTOREL_SIM_PRINTER",
    "VANTOREL_SIM_WAIT_BUSY",
    "VANTOREL_SIM_RESULT_ID_OpenSession",
    "VANTOREL_SIM_RESULT_ID_SmartMode",
    "VANTOREL_SIM_RESULT_ID_FeedCard",
    "VANTOREL_SIM_RESULT_ID_MoveCard",
    "VANTOREL_SIM_RESULT_ID_EjectCard",
    "VANTOREL_SIM_RESULT_ID_WaitForPrinter",
    "VANTOREL_SIM_RESULT_ID_CloseSession",
};

const QString idleStyle = QStringLiteral("QLabel { background-color : white; color : black;}");
const QString errorStyle = QStringLiteral("QLabel { background-color : red; color : white;}");

QStringList consoleLines(const StdoutCapture &capture) {
    return capture.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void setSim(const char *name, const QString &value) {
    qputenv(name, value.toUtf8());
}

void injectResult(const QString &exportName, const QString &value) {
    if (!exportName.isEmpty())
        qputenv(("VANTOREL_SIM_RESULT_" + exportName).toUtf8(), value.toUtf8());
}

} // namespace

class TestPrinterControl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void positioning_data();
    void positioning();
    void failedCallStopsTheOperation_data();
    void failedCallStopsTheOperation();
    void waitAsksAgainWhileTimedOut_data();
    void waitAsksAgainWhileTimedOut();
    void waitGivesUpAtTheLimit();
    void waitCancelledEndsSilently();
    void openSession_data();
    void openSession();
    void openWithSessionOpenKeepsIt();
    void positioningOffersOnePrinterChoice_data();
    void positioningOffersOnePrinterChoice();
    void closeSession_data();
    void closeSession();

private:
    QStringList calls() const;
    QStringList withSession(QStringList lines) const;
    void openFirst();
    void run(const QString &operation) { (control.get()->*printerOperation(operation))(); }

    QTemporaryDir dir;
    QString logPath;
    QLabel label;
    FakePrinterPlatform platform;
    std::unique_ptr<PrinterControl> control;
};

void TestPrinterControl::initTestCase() {
    QVERIFY(dir.isValid());
    logPath = dir.filePath(QStringLiteral("calls.log"));
    setSim("VANTOREL_SIM_LOG", logPath);
    loadSdkLibrary();
    QVERIFY2(sdkLibrary, "libVantorelAPI.so not found on LD_LIBRARY_PATH");
}

void TestPrinterControl::init() {
    for (const char *name : simSettings)
        qunsetenv(name);
    // Closed by the control that opened it: that one holds the name the SDK was given.
    if (control && sessionHandle != 0)
        control->closePrinterSession();
    control = std::make_unique<PrinterControl>(&label, platform);
    sessionHandle = 0;
    printerType = 0;
    platform = FakePrinterPlatform();
    label.setStyleSheet(idleStyle);
    label.clear();
    QFile::remove(logPath);
}

QStringList TestPrinterControl::calls() const {
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Expected lines name the session handle as {S}.
QStringList TestPrinterControl::withSession(QStringList lines) const {
    return lines.replaceInStrings(QStringLiteral("{S}"), QString::number(sessionHandle));
}

// Opens a session through the program and forgets what that took.
void TestPrinterControl::openFirst() {
    control->openPrinterSession();
    QVERIFY(sessionHandle != 0);
    QFile::remove(logPath);
    platform.choices = 0;
}

void TestPrinterControl::positioning_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("simType");  // what the printer reports
    QTest::addColumn<bool>("sessionOpen"); // opened before the operation
    QTest::addColumn<int>("priorType");    // printerType left by an earlier session
    QTest::addColumn<QStringList>("expectedCalls");

    const QString open = QStringLiteral("ID_OpenSession \"Vantorel_Sim\" *0 0");
    const QString type = QStringLiteral("ID_PrinterType {S}");
    const QString wait = QStringLiteral("ID_WaitForPrinter {S}");
    const QStringList feedContact{"ID_SmartMode {S} 1 *0", "ID_FeedCard {S} 0 0", wait};
    const QStringList feedContactless{"ID_SmartMode {S} 1 *1", "ID_FeedCard {S} 1 0", wait};
    const QStringList eject{"ID_EjectCard {S}", wait};

    for (const char *other : {"0", "7"}) {
        QTest::addRow("type %s: contact", other) << "contact" << other << true << 0 << feedContact;
        QTest::addRow("type %s: contactless", other)
            << "contactless" << other << true << 0 << feedContactless;
        QTest::addRow("type %s: eject", other) << "eject" << other << true << 0 << eject;
    }
    for (const char *moving : {"3", "4"}) {
        QTest::addRow("type %s: contact", moving)
            << "contact" << moving << true << 0 << QStringList{"ID_MoveCard {S} 5"};
        QTest::addRow("type %s: contactless", moving)
            << "contactless" << moving << true << 0 << QStringList{"ID_MoveCard {S} 9"};
        QTest::addRow("type %s: eject", moving)
            << "eject" << moving << true << 0 << QStringList{"ID_MoveCard {S} 6"};
    }
    QTest::newRow("type 0x103 counts as 3")
        << "contact"
        << "0x103" << true << 0 << QStringList{"ID_MoveCard {S} 5"};

    QTest::newRow("no session: contact opens one, then moves on the new type")
        << "contact"
        << "3" << false << 0 << QStringList{open, type, "ID_MoveCard {S} 5"};
    QTest::newRow("no session: contactless opens one")
        << "contactless"
        << "0" << false << 0 << (QStringList{open, type} + feedContactless);
    QTest::newRow("no session: eject opens one")
        << "eject"
        << "0" << false << 0 << (QStringList{open, type} + eject);
    QTest::newRow("no session: eject on type 4 opens one")
        << "eject"
        << "4" << false << 0 << QStringList{open, type, "ID_MoveCard {S} 6"};
    QTest::newRow("no session, kept type 4: contact follows the new printer's type")
        << "contact"
        << "0" << false << 4 << (QStringList{open, type} + feedContact);
}

void TestPrinterControl::positioning() {
    QFETCH(QString, operation);
    QFETCH(QString, simType);
    QFETCH(bool, sessionOpen);
    QFETCH(int, priorType);
    QFETCH(QStringList, expectedCalls);

    setSim("VANTOREL_SIM_PRINTER_TYPE", simType);
    if (sessionOpen)
        openFirst();
    else
        printerType = static_cast<std::uint8_t>(priorType);

    StdoutCapture console;
    run(operation);

    QCOMPARE(consoleLines(console), QStringList());
    QCOMPARE(calls(), withSession(expectedCalls));
    QCOMPARE(platform.choices, sessionOpen ? 0 : 1);
    QCOMPARE(label.text(), QString());
    QCOMPARE(label.styleSheet(), idleStyle);
}

void TestPrinterControl::failedCallStopsTheOperation_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("simType");
    QTest::addColumn<QString>("failingExport");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<int>("shownCode"); // 0: nothing shown

    QTest::newRow("smart mode fails: no card is fed")
        << "contact"
        << "0"
        << "ID_SmartMode"
        << "-3" << QStringList{"ID_SmartMode {S} 1 *0"} << -3;
    QTest::newRow("feed fails: no wait")
        << "contactless"
        << "0"
        << "ID_FeedCard"
        << "-15" << QStringList{"ID_SmartMode {S} 1 *1", "ID_FeedCard {S} 1 0"} << -15;
    QTest::newRow("feed answers 0x1F1: its low byte counts")
        << "contact"
        << "0"
        << "ID_FeedCard"
        << "0x1F1" << QStringList{"ID_SmartMode {S} 1 *0", "ID_FeedCard {S} 0 0"} << -15;
    QTest::newRow("feed answers 0x100: success in the low byte")
        << "contact"
        << "0"
        << "ID_FeedCard"
        << "0x100"
        << QStringList{"ID_SmartMode {S} 1 *0", "ID_FeedCard {S} 0 0", "ID_WaitForPrinter {S}"}
        << 0;
    QTest::newRow("eject fails: no wait") << "eject"
                                          << "0"
                                          << "ID_EjectCard"
                                          << "-8" << QStringList{"ID_EjectCard {S}"} << -8;
    QTest::newRow("move fails") << "contactless"
                                << "3"
                                << "ID_MoveCard"
                                << "-6" << QStringList{"ID_MoveCard {S} 9"} << -6;
    QTest::newRow("printer fault ends the wait: shown")
        << "contact"
        << "0"
        << "ID_WaitForPrinter"
        << "-3"
        << QStringList{"ID_SmartMode {S} 1 *0", "ID_FeedCard {S} 0 0", "ID_WaitForPrinter {S}"}
        << -3;
    QTest::newRow("unknown code ends the wait: shown")
        << "eject"
        << "0"
        << "ID_WaitForPrinter"
        << "-16" << QStringList{"ID_EjectCard {S}", "ID_WaitForPrinter {S}"} << -16;
}

void TestPrinterControl::failedCallStopsTheOperation() {
    QFETCH(QString, operation);
    QFETCH(QString, simType);
    QFETCH(QString, failingExport);
    QFETCH(QString, result);
    QFETCH(QStringList, expectedCalls);
    QFETCH(int, shownCode);

    setSim("VANTOREL_SIM_PRINTER_TYPE", simType);
    openFirst();
    injectResult(failingExport, result);

    StdoutCapture console;
    run(operation);

    QCOMPARE(consoleLines(console), QStringList());
    QCOMPARE(calls(), withSession(expectedCalls));
    QCOMPARE(label.text(), shownCode ? sdkErrorText(shownCode) : QString());
    QCOMPARE(label.styleSheet(), shownCode ? errorStyle : idleStyle);
    QVERIFY(sessionHandle != 0);
}

void TestPrinterControl::waitAsksAgainWhileTimedOut_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("timeOuts");

    QTest::newRow("contact, printer ready at once") << "contact" << 0;
    QTest::newRow("contact, -1 twice then 0") << "contact" << 2;
    QTest::newRow("eject, -1 five times then 0") << "eject" << 5;
}

void TestPrinterControl::waitAsksAgainWhileTimedOut() {
    QFETCH(QString, operation);
    QFETCH(int, timeOuts);

    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("0"));
    openFirst();
    setSim("VANTOREL_SIM_WAIT_BUSY", QString::number(timeOuts));

    run(operation);

    QCOMPARE(calls().filter(QStringLiteral("ID_WaitForPrinter")).size(), timeOuts + 1);
    QCOMPARE(label.text(), QString());
    QVERIFY(!label.findChild<QProgressDialog *>());
}

void TestPrinterControl::waitGivesUpAtTheLimit() {
    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("0"));
    openFirst();
    setSim("VANTOREL_SIM_WAIT_BUSY", QStringLiteral("forever"));
    const std::chrono::milliseconds pause(10);
    control->setWaitLimits({pause, std::chrono::milliseconds(200)});

    QElapsedTimer clock;
    clock.start();
    run(QStringLiteral("contact"));
    const qint64 elapsed = clock.elapsed();

    // Asked again and again, but never more often than the pause allows: no busy loop.
    const int waits = calls().filter(QStringLiteral("ID_WaitForPrinter")).size();
    QVERIFY(waits >= 2);
    QVERIFY2(waits <= 2 + elapsed / pause.count(),
             qPrintable(QStringLiteral("%1 waits in %2 ms").arg(waits).arg(elapsed)));
    QCOMPARE(label.text(), sdkErrorText(sdk::TimedOut));
    QCOMPARE(label.styleSheet(), errorStyle);
    QVERIFY(!label.findChild<QProgressDialog *>());
}

void TestPrinterControl::waitCancelledEndsSilently() {
    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("0"));
    openFirst();
    setSim("VANTOREL_SIM_WAIT_BUSY", QStringLiteral("forever"));

    // Presses Cancel as soon as the progress dialog is up; the default one-minute limit
    // would otherwise end the wait with the time-out text.
    bool wasModal = false;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        auto *progress = label.findChild<QProgressDialog *>();
        if (progress && progress->isVisible()) {
            wasModal = progress->isModal();
            progress->cancel();
        }
    });
    operatorHand.start(20);

    StdoutCapture console;
    run(QStringLiteral("eject"));
    operatorHand.stop();

    QVERIFY(wasModal);
    QCOMPARE(consoleLines(console), QStringList());
    QCOMPARE(label.text(), QString());
    QCOMPARE(label.styleSheet(), idleStyle);
    QVERIFY(calls().filter(QStringLiteral("ID_WaitForPrinter")).size() >= 1);
}

void TestPrinterControl::openSession_data() {
    QTest::addColumn<QString>("choice"); // empty: dialog cancelled
    QTest::addColumn<bool>("supported");
    QTest::addColumn<QString>("simPrinter");
    QTest::addColumn<QString>("openResult");
    QTest::addColumn<QStringList>("expectedConsole");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<int>("shownCode");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("expectedType");

    const QStringList opened{"ID_OpenSession \"Vantorel_Sim\" *0 0", "ID_PrinterType {S}"};
    QTest::newRow("opened") << "Vantorel_Sim" << true << ""
                            << "" << QStringList() << opened << 0 << true << 0x42;
    QTest::newRow("open answers 0x100: success in the low byte")
        << "Vantorel_Sim" << true << ""
        << "0x100" << QStringList() << opened << 0 << true << 0x42;
    QTest::newRow("queue name handed over as UTF-8")
        << "Kartendrucker_Süd" << true << "Kartendrucker_Süd"
        << "" << QStringList()
        << QStringList{"ID_OpenSession \"Kartendrucker_Süd\" *0 0", "ID_PrinterType {S}"} << 0
        << true << 0x42;
    QTest::newRow("dialog cancelled") << "" << true << ""
                                      << "" << QStringList() << QStringList() << 0 << false << 0;
    QTest::newRow("driver not the card printer's")
        << "Vantorel_Sim" << false << ""
        << "" << QStringList{"Error"} << QStringList() << 0 << false << 0;
    QTest::newRow("open answers -9")
        << "Vantorel_Sim" << true << ""
        << "-9" << QStringList() << QStringList{"ID_OpenSession \"Vantorel_Sim\" *0 0"} << -9
        << false << 0;
    QTest::newRow("printer unknown to the SDK")
        << "Office_Laser" << true << ""
        << "" << QStringList() << QStringList{"ID_OpenSession \"Office_Laser\" *0 0"} << -5 << false
        << 0;
}

void TestPrinterControl::openSession() {
    QFETCH(QString, choice);
    QFETCH(bool, supported);
    QFETCH(QString, simPrinter);
    QFETCH(QString, openResult);
    QFETCH(QStringList, expectedConsole);
    QFETCH(QStringList, expectedCalls);
    QFETCH(int, shownCode);
    QFETCH(bool, opened);
    QFETCH(int, expectedType);

    platform.choice = choice.isEmpty() ? std::nullopt : std::optional<QString>(choice);
    platform.supported = supported;
    if (!simPrinter.isEmpty())
        setSim("VANTOREL_SIM_PRINTER", simPrinter);
    injectResult(QStringLiteral("ID_OpenSession"), openResult);
    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("0x142"));

    StdoutCapture console;
    control->openPrinterSession();

    QCOMPARE(consoleLines(console), expectedConsole);
    QCOMPARE(platform.queried, choice.isEmpty() ? QStringList() : QStringList{choice});
    QCOMPARE(sessionHandle != 0, opened);
    QCOMPARE(calls(), withSession(expectedCalls));
    QCOMPARE(int(printerType), expectedType);
    QCOMPARE(label.text(), shownCode ? sdkErrorText(shownCode) : QString());
    QCOMPARE(label.styleSheet(), shownCode ? errorStyle : idleStyle);
}

void TestPrinterControl::openWithSessionOpenKeepsIt() {
    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("3"));
    openFirst();
    const std::uint32_t session = sessionHandle;
    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("0"));

    control->openPrinterSession();

    QCOMPARE(label.text(), sdkErrorText(sdk::SessionActive));
    QCOMPARE(sessionHandle, session);
    QCOMPARE(int(printerType), 3);
    QCOMPARE(calls(), withSession({"ID_OpenSession \"Vantorel_Sim\" *{S} 0"}));
}

void TestPrinterControl::positioningOffersOnePrinterChoice_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("expectedConsole");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<int>("shownCode");

    for (const char *operation : {"contact", "contactless", "eject"}) {
        QTest::addRow("%s, dialog cancelled", operation)
            << operation << "cancel" << QStringList() << QStringList() << 0;
        QTest::addRow("%s, driver refused", operation)
            << operation << "refuse" << QStringList{"Error"} << QStringList() << 0;
        QTest::addRow("%s, open fails", operation)
            << operation << "fail" << QStringList()
            << QStringList{"ID_OpenSession \"Vantorel_Sim\" *0 0"} << -5;
    }
}

void TestPrinterControl::positioningOffersOnePrinterChoice() {
    QFETCH(QString, operation);
    QFETCH(QString, failure);
    QFETCH(QStringList, expectedConsole);
    QFETCH(QStringList, expectedCalls);
    QFETCH(int, shownCode);

    if (failure == QLatin1String("cancel"))
        platform.choice = std::nullopt;
    platform.supported = failure != QLatin1String("refuse");
    if (failure == QLatin1String("fail"))
        injectResult(QStringLiteral("ID_OpenSession"), QStringLiteral("-5"));

    StdoutCapture console;
    run(operation);

    QCOMPARE(platform.choices, 1);
    QCOMPARE(consoleLines(console), expectedConsole);
    QCOMPARE(calls(), expectedCalls);
    QCOMPARE(sessionHandle, 0u);
    QCOMPARE(label.text(), shownCode ? sdkErrorText(shownCode) : QString());
}

void TestPrinterControl::closeSession_data() {
    QTest::addColumn<bool>("sessionOpen");
    QTest::addColumn<QString>("closeResult");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<int>("shownCode");

    QTest::newRow("no session: nothing") << false << "" << QStringList() << 0;
    QTest::newRow("closed") << true << "" << QStringList{"ID_CloseSession {S}"} << 0;
    // The SDK kept the session it refused to close, and with it the printer name it
    // was given: the simulator reads that name at every later call of the session.
    QTest::newRow("close fails: shown, session gone, its printer name kept")
        << true << "-6" << QStringList{"ID_CloseSession {S}"} << -6;
}

void TestPrinterControl::closeSession() {
    QFETCH(bool, sessionOpen);
    QFETCH(QString, closeResult);
    QFETCH(QStringList, expectedCalls);
    QFETCH(int, shownCode);

    setSim("VANTOREL_SIM_PRINTER_TYPE", QStringLiteral("4"));
    if (sessionOpen)
        openFirst();
    const QStringList expected = withSession(expectedCalls);
    const std::uint32_t session = sessionHandle;
    injectResult(QStringLiteral("ID_CloseSession"), closeResult);

    StdoutCapture console;
    control->closePrinterSession();
    control->closePrinterSession(); // with no session left: nothing

    QCOMPARE(consoleLines(console), QStringList());
    QCOMPARE(calls(), expected);
    QCOMPARE(sessionHandle, 0u);
    QCOMPARE(int(printerType), sessionOpen ? 4 : 0);
    QCOMPARE(label.text(), shownCode ? sdkErrorText(shownCode) : QString());

    // The simulated printer kept the session it refused to close; its own close checks
    // that the name is still there, and ends it for the next case.
    if (shownCode) {
        qunsetenv("VANTOREL_SIM_RESULT_ID_CloseSession");
        QCOMPARE(sdkFunction<ID_CloseSession_t>("ID_CloseSession")(session), 0);
    }
}

QTEST_MAIN(TestPrinterControl)
#include "tst_printer_control.moc"
