// The simulated printer's card reaching the vpcd readers, through the real library
// loading path (CTest puts the simulator's directory on LD_LIBRARY_PATH), and the CUPS
// queue's driver check.

#include "fake_printer_platform.h"

#include "pcsc_test_support.h"
#include "printer/printer_control.h"
#include "printer/printer_state.h"
#include "printer/qt_printer_platform.h"
#include "printer/sdk_library.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPrinterInfo>
#include <QtTest>

class TestPrinterService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cardTravelsThroughTheStations_data();
    void cardTravelsThroughTheStations();
    void windowIdentifiesTheCardBroughtToContact();
    void queueDriverCheck();
};

void TestPrinterService::initTestCase() {
    loadSdkLibrary();
    QVERIFY2(sdkLibrary, "libVantorelAPI.so not found on LD_LIBRARY_PATH");
}

void TestPrinterService::cardTravelsThroughTheStations_data() {
    QTest::addColumn<QString>("printerType");
    QTest::newRow("feed and eject") << "1";
    QTest::newRow("move") << "3";
}

void TestPrinterService::cardTravelsThroughTheStations() {
    QUORVANE_REQUIRE_PCSC();
    QFETCH(QString, printerType);
    qputenv("VANTOREL_SIM_PRINTER_TYPE", printerType.toUtf8());

    QLabel label;
    FakePrinterPlatform platform;
    PrinterControl control(&label, platform);

    control.cardToContact();
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, true));

    control.cardToContactless();
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));

    control.ejectCard();
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));

    control.closePrinterSession();
    QCOMPARE(label.text(), QString());
    QCOMPARE(platform.choices, 1);
    QCOMPARE(sessionHandle, 0u);
}

// The whole road: the window's menu moves the card, the worker's watch of the chosen
// reader sees it arrive and leave.
void TestPrinterService::windowIdentifiesTheCardBroughtToContact() {
    QUORVANE_REQUIRE_PCSC();
    qputenv("VANTOREL_SIM_PRINTER_TYPE", "1");
    MainWindow window(std::make_unique<FakePrinterPlatform>());
    window.show();
    auto *readers = window.findChild<QComboBox *>(QStringLiteral("combo_readers"));
    auto *label = window.findChild<QLabel *>(QStringLiteral("atr_label"));
    const QString reader = QLatin1String(testsupport::contactReader);
    QTRY_VERIFY_WITH_TIMEOUT(readers->findText(reader) >= 0, 10000);
    readers->setCurrentText(reader);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("No smart card inserted."), 10000);

    window.findChild<QAction *>(QStringLiteral("actionCard_to_Contact"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(label->text().startsWith(QLatin1String("ATR: ")), 10000);

    window.findChild<QAction *>(QStringLiteral("actionEject_Card"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("No smart card inserted."), 10000);
    window.findChild<QAction *>(QStringLiteral("actionDisconnect_from_Printer"))->trigger();
}

void TestPrinterService::queueDriverCheck() {
    if (!QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Vantorel_Sim")))
        QSKIP("The CUPS queue Vantorel_Sim is missing; run scripts/start-cups.sh");
    QtPrinterPlatform platform;
    QVERIFY(platform.supportsCardPrinter(QStringLiteral("Vantorel_Sim")));
    QVERIFY(!platform.supportsCardPrinter(QStringLiteral("No_Such_Queue")));
}

QTEST_MAIN(TestPrinterService)
#include "tst_printer_service.moc"
