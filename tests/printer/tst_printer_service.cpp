// The simulated printer's card reaching the vpcd readers, through the real library
// loading path (CTest puts the simulator's directory on LD_LIBRARY_PATH), and the CUPS
// queue's driver check.

#include "fake_printer_platform.h"

#include "pcsc_test_support.h"
#include "printer/printer_control.h"
#include "printer/printer_state.h"
#include "printer/qt_printer_platform.h"
#include "printer/sdk_library.h"

#include <QLabel>
#include <QPrinterInfo>
#include <QtTest>

class TestPrinterService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cardTravelsThroughTheStations_data();
    void cardTravelsThroughTheStations();
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

void TestPrinterService::queueDriverCheck() {
    if (!QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Vantorel_Sim")))
        QSKIP("The CUPS queue Vantorel_Sim is missing; run scripts/start-cups.sh");
    QtPrinterPlatform platform;
    QVERIFY(platform.supportsCardPrinter(QStringLiteral("Vantorel_Sim")));
    QVERIFY(!platform.supportsCardPrinter(QStringLiteral("No_Such_Queue")));
}

QTEST_MAIN(TestPrinterService)
#include "tst_printer_service.moc"
