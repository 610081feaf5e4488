// Reader names carried as text that gives back PC/SC's bytes exactly, and shown as a
// person reads them.

#include "pcsc/reader_names.h"

#include <QRandomGenerator>
#include <QtTest>

class TestReaderNames : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void everyByteStringComesBack();
};

void TestReaderNames::names_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // as the program carries it
    QTest::addColumn<QString>("shown");

    const QString e = QStringLiteral("\\x"); // the shown escape's lead
    QTest::newRow("ASCII") << QByteArray("Virtual PCD 00 00") << "Virtual PCD 00 00"
                           << "Virtual PCD 00 00";
    QTest::newRow("UTF-8 of two, three and four bytes")
        << QByteArray("Lecteur \xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xb3")
        << QString::fromUtf8("Lecteur \xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xb3")
        << QString::fromUtf8("Lecteur \xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xb3");
    QTest::newRow("a byte that is no UTF-8")
        << QByteArray("Virtual\xffPCD 00 00") << QString("Virtual") + QChar(0xDCFF) + "PCD 00 00"
        << "Virtual" + e + "FFPCD 00 00";
    QTest::newRow("Latin-1 text") << QByteArray("Lecteur \xe9tudiant")
                                  << QString("Lecteur ") + QChar(0xDCE9) + "tudiant"
                                  << "Lecteur " + e + "E9tudiant";
    QTest::newRow("sequence cut short") << QByteArray("A\xe2\x82"
                                                      "B")
                                        << QString("A") + QChar(0xDCE2) + QChar(0xDC82) + "B"
                                        << "A" + e + "E2" + e + "82B";
    QTest::newRow("overlong form")
        << QByteArray("\xc0\xaf") << QString(QChar(0xDCC0)) + QChar(0xDCAF) << e + "C0" + e + "AF";
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)
        << e + "ED" + e + "A0" + e + "80";
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80")
        << QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)
        << e + "F4" + e + "90" + e + "80" + e + "80";
    // U+10080 is written D800 DC80: its second half looks like an escaped 0x80 byte.
    QTest::newRow("character whose second half looks escaped, then an escape")
        << QByteArray("\xf0\x90\x82\x80\x80")
        << QString::fromUtf8("\xf0\x90\x82\x80") + QChar(0xDC80)
        << QString::fromUtf8("\xf0\x90\x82\x80") + e + "80";
    QTest::newRow("empty") << QByteArray() << QString() << QString();
}

void TestReaderNames::names() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QString, shown);

    QCOMPARE(readerNameFromBytes(bytes), text);
    QCOMPARE(readerNameBytes(text), bytes);
    QCOMPARE(shownReaderName(text), shown);
    QVERIFY(QString::fromUtf8(shown.toUtf8()) == shown); // carried whole by UTF-8
}

void TestReaderNames::everyByteStringComesBack() {
    QRandomGenerator random(7);
    // Mostly bytes that start or continue UTF-8 sequences, so that many are near-misses.
    const QByteArray pool = "aZ \x7f\x80\x8f\x9f\xa0\xbf\xc0\xc2\xdf\xe0\xed\xef\xf0\xf4\xf5\xff";
    for (int i = 0; i < 20000; ++i) {
        QByteArray bytes;
        for (int n = random.bounded(12); n > 0; --n)
            bytes += pool[random.bounded(pool.size())];
        const QString text = readerNameFromBytes(bytes);
        QVERIFY2(readerNameBytes(text) == bytes, bytes.toHex(' ').constData());
        QVERIFY2(!shownReaderName(text).contains(QChar(0xFFFD)), bytes.toHex(' ').constData());
    }
}

QTEST_APPLESS_MAIN(TestReaderNames)
#include "tst_reader_names.moc"
