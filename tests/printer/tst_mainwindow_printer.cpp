// The window's "Printer" menu reaching the simulated SDK, with a fake printer choice in
// place of the modal print dialog. The window loads the SDK itself, through
// LD_LIBRARY_PATH as the program does; the simulated printer holds no card here.

#include "fake_printer_platform.h"

#include "printer/printer_state.h"
#include "printer/sdk_errors.h"
#include "printer/sdk_library.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
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

QTEST_MAIN(TestMainWindowPrinter)
#include "tst_mainwindow_printer.moc"
