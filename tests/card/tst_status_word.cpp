#include "card/status_word.h"

#include <QtTest>

class TestStatusWord : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void statusWordOfAnswer_data();
    void statusWordOfAnswer();
};

void TestStatusWord::text_data() {
    QTest::addColumn<int>("b1");
    QTest::addColumn<int>("b2");
    QTest::addColumn<QString>("expected");
    QTest::newRow("complete") << 0x91 << 0x00 << "91:00";
    QTest::newRow("more frames, lower case") << 0x91 << 0xAF << "91:af";
    QTest::newRow("file not found") << 0x6A << 0x82 << "6a:82";
    QTest::newRow("first byte unpadded") << 0x09 << 0x00 << "9:00";
    QTest::newRow("second byte padded") << 0x90 << 0x05 << "90:05";
    QTest::newRow("both zero") << 0x00 << 0x00 << "0:00";
    QTest::newRow("both full") << 0xFF << 0xFF << "ff:ff";
}

void TestStatusWord::text() {
    QFETCH(int, b1);
    QFETCH(int, b2);
    QFETCH(QString, expected);
    QCOMPARE(statusWordText(quint8(b1), quint8(b2)), expected);
}

void TestStatusWord::statusWordOfAnswer_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("status alone") << QByteArray::fromHex("91AE") << "91:ae";
    QTest::newRow("data then status") << QByteArray::fromHex("0102030405060708 91AF") << "91:af";
    QTest::newRow("one byte is no status") << QByteArray::fromHex("91") << "0:00";
    QTest::newRow("empty") << QByteArray() << "0:00";
}

void TestStatusWord::statusWordOfAnswer() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, expected);
    QCOMPARE(statusWordText(statusWordOf(answer)), expected);
}

QTEST_APPLESS_MAIN(TestStatusWord)
#include "tst_status_word.moc"
