// The window's "Printer" menu reaching the simulated SDK, with a fake printer choice in
// place of the modal print dialog. The window loads the SDK itself, through
// LD_LIBRARY_PATH as the program does; the simulated printer holds no card here.

#include "fake_printer_platform.h"

#include "printer/printer_control.h"
#include "printer/printer_state.h"
#include "printer/sdk_errors.h"
#include "printer/sdk_library.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestMainWindowPrinter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowLoadsTheSdk();
    void actions_data();
    void actions();
    void sdkErrorOnTheMessageArea();
    void popupDuringAFeed_data();
    void popupDuringAFeed();

private:
    QStringList calls() const;
    void trigger(const char *action) { window->findChild<QAction *>(action)->trigger(); }

    QTemporaryDir dir;
    QString logPath;
    FakePrinterPlatform *platform = nullptr;
    std::unique_ptr<MainWindow> window;
};

void TestMainWindowPrinter::initTestCase() {
    QVERIFY(dir.isValid());
    logPath = dir.filePath(QStringLiteral("calls.log"));
    qputenv("VANTOREL_SIM_LOG", logPath.toUtf8());
    qputenv("VANTOREL_SIM_PRINTER_TYPE", "0");
}

void TestMainWindowPrinter::init() {
    auto fake = std::make_unique<FakePrinterPlatform>();
    platform = fake.get();
    window = std::make_unique<MainWindow>(std::move(fake));
    QFile::remove(logPath);
}

void TestMainWindowPrinter::cleanup() {
    trigger("actionDisconnect_from_Printer");
    qunsetenv("VANTOREL_SIM_RESULT_ID_FeedCard");
    qunsetenv("VANTOREL_SIM_WAIT_BUSY");
    window.reset();
}

QStringList TestMainWindowPrinter::calls() const {
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestMainWindowPrinter::windowLoadsTheSdk() {
    QVERIFY(sdkLibrary);
}

void TestMainWindowPrinter::actions_data() {
    QTest::addColumn<QByteArrayList>("actions");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<int>("choices");

    const QString open = QStringLiteral("ID_OpenSession \"Vantorel_Sim\" *0 0");
    const QString type = QStringLiteral("ID_PrinterType {S}");
    QTest::newRow("Connect to Printer")
        << QByteArrayList{"actionConnect_to_Printer"} << QStringList{open, type} << 1;
    QTest::newRow("Card to Contact") << QByteArrayList{"actionCard_to_Contact"}
                                     << QStringList{open, type, "ID_SmartMode {S} 1 *0",
                                                    "ID_FeedCard {S} 0 0", "ID_WaitForPrinter {S}"}
                                     << 1;
    QTest::newRow("Card to Contactless")
        << QByteArrayList{"actionCard_to_Contactless"}
        << QStringList{open, type, "ID_SmartMode {S} 1 *1", "ID_FeedCard {S} 1 0",
                       "ID_WaitForPrinter {S}"}
        << 1;
    QTest::newRow("Eject Card") << QByteArrayList{"actionEject_Card"}
                                << QStringList{open, type, "ID_EjectCard {S}",
                                               "ID_WaitForPrinter {S}"}
                                << 1;
    QTest::newRow("Disconnect from Printer after Connect")
        << QByteArrayList{"actionConnect_to_Printer", "actionDisconnect_from_Printer"}
        << QStringList{open, type, "ID_CloseSession {S}"} << 1;
}

void TestMainWindowPrinter::actions() {
    QFETCH(QByteArrayList, actions);
    QFETCH(QStringList, expectedCalls);
    QFETCH(int, choices);

    std::uint32_t session = 0;
    for (const QByteArray &action : actions) {
        trigger(action.constData());
        if (sessionHandle)
            session = sessionHandle;
    }

    QCOMPARE(calls(),
             expectedCalls.replaceInStrings(QStringLiteral("{S}"), QString::number(session)));
    QCOMPARE(platform->choices, choices);
}

void TestMainWindowPrinter::sdkErrorOnTheMessageArea() {
    qputenv("VANTOREL_SIM_RESULT_ID_FeedCard", "-15");
    trigger("actionCard_to_Contact");

    auto *label = window->findChild<QLabel *>(QStringLiteral("atr_label"));
    QCOMPARE(label->text(), sdkErrorText(-15));
    QCOMPARE(label->styleSheet(),
             QStringLiteral("QLabel { background-color : red; color : white;}"));
}

void TestMainWindowPrinter::popupDuringAFeed_data() {
    QTest::addColumn<QByteArray>("busy"); // ID_WaitForPrinter's -1 answers per motion
    QTest::addColumn<bool>("timedOut");

    QTest::newRow("the card got there meanwhile") << QByteArray("1") << false;
    QTest::newRow("the printer is still busy") << QByteArray("forever") << true;
}

// A worker's pop-up opened while the printer is busy holds the window, and with it the
// wait, past its limit. Once the operator has closed it, the printer is asked again: its
// answer, not the time the box was open, says whether the wait timed out.
void TestMainWindowPrinter::popupDuringAFeed() {
    QFETCH(QByteArray, busy);
    QFETCH(bool, timedOut);
    qputenv("VANTOREL_SIM_WAIT_BUSY", busy);
    auto *printer = window->findChild<PrinterControl *>();
    QVERIFY(printer);
    const std::chrono::milliseconds limit(200);
    printer->setWaitLimits({std::chrono::milliseconds(10), limit});

    // Arrives as a worker's report does, and is shown in the first pause of the wait.
    QMetaObject::invokeMethod(window.get(), "receivePopupMessage", Qt::QueuedConnection,
                              Q_ARG(QString, QStringLiteral("APDU Response ")),
                              Q_ARG(QString, QStringLiteral("APDU Response 1: 9000")));
    QElapsedTimer clock;
    bool boxShown = false;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        auto *box = window->findChild<QMessageBox *>();
        if (!box || !box->isVisible())
            return;
        boxShown = true;
        if (clock.elapsed() > 2 * limit.count())
            box->accept();
    });
    operatorHand.start(20);
    clock.start();
    trigger("actionCard_to_Contact");
    operatorHand.stop();

    QVERIFY(boxShown);
    const QStringList waits = calls().filter(QStringLiteral("ID_WaitForPrinter"));
    QCOMPARE(waits.size(), 2);
    // The worker's own texts (no service here, say) may stand there too.
    auto *atrLabel = window->findChild<QLabel *>(QStringLiteral("atr_label"));
    QCOMPARE(atrLabel->text() == sdkErrorText(-1), timedOut);
}

QTEST_MAIN(TestMainWindowPrinter)
#include "tst_mainwindow_printer.moc"
