// The virtual MIFARE Classic cards through pcscd and vpcd, in-process and as the vcard
// program with its options.

#include "card_factory.h"
#include "mifare_classic_card.h"
#include "pcsc_test_support.h"
#include "reader_connection.h"
#include "vpcd_link.h"

#include <QProcess>
#include <QtTest>

namespace {

const int contactlessSlot = 1;
const QByteArray ok = QByteArray::fromHex("9000");

QByteArray sent(ReaderConnection &connection, const char *command) {
    QByteArray answer;
    connection.transmit(command, 258, &answer);
    return answer.toHex().toUpper();
}

} // namespace

class TestMifareVpcd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false)); }
    void cardThroughPcscd_data();
    void cardThroughPcscd();
    void programWithItsOptions();
    void programRefusesOptionsThatDescribeNoCard_data();
    void programRefusesOptionsThatDescribeNoCard();
};

void TestMifareVpcd::cardThroughPcscd_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("atr");
    // The last trailer: its authentication and its read.
    QTest::addColumn<QByteArray>("authenticate");
    QTest::addColumn<QByteArray>("read");
    QTest::newRow("Mini") << "mifare-mini" << QByteArray("3B8F8001804F0CA000000306030026000000004D")
                          << QByteArray("FF860000050100136000") << QByteArray("FFB0001310");
    QTest::newRow("1K") << "mifare-1k" << QByteArray("3B8F8001804F0CA000000306030001000000006A")
                        << QByteArray("FF8600000501003F6000") << QByteArray("FFB0003F10");
    QTest::newRow("4K") << "mifare-4k" << QByteArray("3B8F8001804F0CA0000003060300020000000069")
                        << QByteArray("FF860000050100FF6000") << QByteArray("FFB000FF10");
}

// pcscd takes the storage-card ATR and T=1, and the reader's commands go through.
void TestMifareVpcd::cardThroughPcscd() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, atr);
    QFETCH(QByteArray, authenticate);
    QFETCH(QByteArray, read);
    vcard::VpcdLink link(vcard::makeCard(kind.toStdString()));
    QVERIFY(link.insert(contactlessSlot));
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));
    {
        ReaderConnection connection(testsupport::contactlessReader);
        QVERIFY(connection.connected());
        QCOMPARE(connection.atr().toHex().toUpper(), atr);
        QCOMPARE(sent(connection, "FFCA000000"), QByteArray("5AC3197E9000"));
        QCOMPARE(sent(connection, "FF82000006FFFFFFFFFFFF"), QByteArray("9000"));
        QCOMPARE(sent(connection, authenticate.constData()), QByteArray("9000"));
        QCOMPARE(sent(connection, read.constData()),
                 QByteArray("000000000000FF078069FFFFFFFFFFFF9000"));
    }
    link.remove();
}

// A 4K with its own UID, another key A in sector 2 and a silent block 9, pulled out at
// the command after its seventh.
void TestMifareVpcd::programWithItsOptions() {
    QProcess program;
    program.start(QStringLiteral(VCARD_PROGRAM),
                  {"--slot", "1", "--card", "mifare-4k", "--uid", "01020304", "--key-a",
                   "2:A0A1A2A3A4A5", "--fault-silent", "9", "--pull-after", "7"});
    QVERIFY(program.waitForStarted());
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));
    {
        ReaderConnection connection(testsupport::contactlessReader);
        QVERIFY(connection.connected());
        QCOMPARE(connection.atr().toHex().toUpper(),
                 QByteArray("3B8F8001804F0CA0000003060300020000000069"));
        QCOMPARE(sent(connection, "FFCA000000"), QByteArray("010203049000"));
        QCOMPARE(sent(connection, "FF82000006FFFFFFFFFFFF"), QByteArray("9000"));
        QCOMPARE(sent(connection, "FF860000050100086000"), QByteArray("6300"));
        QCOMPARE(sent(connection, "FF82000006A0A1A2A3A4A5"), QByteArray("9000"));
        QCOMPARE(sent(connection, "FF860000050100086000"), QByteArray("9000"));
        QCOMPARE(sent(connection, "FFD600091000112233445566778899AABBCCDDEEFF"),
                 QByteArray("9000"));
        QCOMPARE(sent(connection, "FFB0000910"), QByteArray(32, '0') + "9000");
        // vpcd may call an answer that never came an empty one.
        QCOMPARE(sent(connection, "FFB0000910"), QByteArray());
    }
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TestMifareVpcd::programRefusesOptionsThatDescribeNoCard_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("key A for a sector the card lacks")
        << QStringList{"--card", "mifare-1k", "--key-a", "16:A0A1A2A3A4A5"}
        << "vcard: MifareClassicCard: key A for sector 16, which the card does not have\n";
    QTest::newRow("silent block the card lacks")
        << QStringList{"--card", "mifare-mini", "--fault-silent", "20"}
        << "vcard: MifareClassicCard: silent block 20 is not on the card\n";
    QTest::newRow("key of 5 bytes") << QStringList{"--card", "mifare-4k", "--key-b", "A0A1A2A3A4"}
                                    << "vcard: --key-b A0A1A2A3A4 does not fit the card\n";
    QTest::newRow("contents of a trailer")
        << QStringList{"--card", "mifare-1k", "--block", "7:00112233445566778899AABBCCDDEEFF"}
        << "vcard: MifareClassicCard: block 7 is no data block of the card\n";
}

void TestMifareVpcd::programRefusesOptionsThatDescribeNoCard() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess program;
    program.start(QStringLiteral(VCARD_PROGRAM), QStringList{"--slot", "1"} + arguments);
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), 2);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), message);
    QVERIFY(!testsupport::waitForCard(testsupport::contactlessReader, true, 300));
}

QTEST_GUILESS_MAIN(TestMifareVpcd)
#include "tst_mifare_vpcd.moc"
