#include "fake_printer_platform.h"
#include "printer/printer_control.h"
#include "printer/sdk_errors.h"

#include <QLabel>
#include <QtTest>

class TestSdkErrors : public QObject {
    Q_OBJECT
private slots:
    void textAndColours_data();
    void textAndColours();
};

void TestSdkErrors::textAndColours_data() {
    QTest::addColumn<qint32>("result");
    QTest::addColumn<QString>("text");

    const QString unknown = QStringLiteral("Vantorel SDK: Uknown SDK Error");
    QTest::newRow("-1") << -1 << "Vantorel SDK: Timed out waiting for a response from the printer";
    QTest::newRow("-2") << -2 << "Vantorel SDK: Non specific SDK error";
    QTest::newRow("-3") << -3 << "Vantorel SDK: Printer has reported an error";
    QTest::newRow("-4") << -4 << "Vantorel SDK: Driver is not compliant with the SDK DLL";
    QTest::newRow("-5") << -5 << "Vantorel SDK: Error opening communication with the printer";
    QTest::newRow("-6") << -6 << "Vantorel SDK: Remote communications error";
    QTest::newRow("-7") << -7 << "Vantorel SDK: Local communications error";
    QTest::newRow("-8") << -8 << "Vantorel SDK: Printer is already printing a job";
    QTest::newRow("-9") << -9 << "Vantorel SDK: Session already active";
    QTest::newRow("-10 shares -7's text") << -10 << "Vantorel SDK: Local communications error";
    QTest::newRow("-11") << -11 << "Vantorel SDK: Input parameter out of range";
    QTest::newRow("-12") << -12 << "Vantorel SDK: Invalid SDK session handle";
    QTest::newRow("-13") << -13 << "Vantorel SDK: Buffer is too small";
    QTest::newRow("-14") << -14 << "Vantorel SDK: Invalid Action for this type of printer";
    QTest::newRow("-15") << -15 << "Vantorel SDK: Printer is not equipped for this action";
    QTest::newRow("1") << 1 << unknown;
    QTest::newRow("-16") << -16 << unknown;
    QTest::newRow("127") << 127 << unknown;
    QTest::newRow("-128") << -128 << unknown;
    QTest::newRow("0xFF is -1")
        << 0xFF << "Vantorel SDK: Timed out waiting for a response from the printer";
    QTest::newRow("0x1F7 is -9") << 0x1F7 << "Vantorel SDK: Session already active";
    QTest::newRow("0x7FFFFFF4 is -12") << 0x7FFFFFF4 << "Vantorel SDK: Invalid SDK session handle";
    QTest::newRow("-256 + -3 is -3") << -259 << "Vantorel SDK: Printer has reported an error";
    QTest::newRow("0x110 is 16") << 0x110 << unknown;
}

void TestSdkErrors::textAndColours() {
    QFETCH(qint32, result);
    QFETCH(QString, text);

    QCOMPARE(sdkErrorText(result), text);

    QLabel label;
    label.setStyleSheet(QStringLiteral("QLabel { background-color : white; color : black;}"));
    label.setText(QStringLiteral("ATR: 3B 81 80 01 80 80"));
    FakePrinterPlatform platform;
    PrinterControl control(&label, platform);
    control.showSdkError(result);
    QCOMPARE(label.text(), text);
    QCOMPARE(label.styleSheet(),
             QStringLiteral("QLabel { background-color : red; color : white;}"));
}

QTEST_MAIN(TestSdkErrors)
#include "tst_sdk_errors.moc"
