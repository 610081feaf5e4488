// The virtual DESFire card inserted into a vpcd reader and spoken to through pcscd.

#include "desfire_card.h"
#include "pcsc_test_support.h"
#include "reader_connection.h"
#include "vpcd_link.h"

#include <QtTest>

#include <memory>

using vcard::DesfireCard;

namespace {

const int contactlessSlot = 1;

QByteArray hex(const char *text) {
    return QByteArray::fromHex(text);
}

} // namespace

class TestDesfireVpcd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void getVersionThroughPcscd();
    void paddedStatusOverflowsTwoByteBuffer();
};

void TestDesfireVpcd::getVersionThroughPcscd() {
    auto card = std::make_shared<DesfireCard>();
    vcard::VpcdLink link(card);
    QVERIFY(link.insert(contactlessSlot));
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));
    {
        ReaderConnection connection(testsupport::contactlessReader);
        QVERIFY(connection.connected());
        QByteArray answer;
        QCOMPARE(connection.transmit("9060000000", 258, &answer), LONG(SCARD_S_SUCCESS));
        QCOMPARE(answer, hex("04010101001A0591AF"));
        QCOMPARE(connection.transmit("90AF000000", 258, &answer), LONG(SCARD_S_SUCCESS));
        QCOMPARE(answer, hex("04010101041A0591AF"));
        QCOMPARE(connection.transmit("90AF000000", 258, &answer), LONG(SCARD_S_SUCCESS));
        QCOMPARE(answer.size(), 16);
        QCOMPARE(answer.right(2), hex("9100"));
    }
    link.withCard([](vcard::VirtualCard &virtualCard) {
        const auto log = static_cast<DesfireCard &>(virtualCard).commandLog();
        QCOMPARE(log.size(), std::size_t{3});
        QCOMPARE(log.front().command, vcard::Bytes({0x90, 0x60, 0x00, 0x00, 0x00}));
    });
    link.remove();
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));
}

void TestDesfireVpcd::paddedStatusOverflowsTwoByteBuffer() {
    vcard::DesfireOptions options;
    options.statusPadding = 1;
    auto card = std::make_shared<DesfireCard>(options);
    vcard::VpcdLink link(card);
    QVERIFY(link.insert(contactlessSlot));
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));
    {
        ReaderConnection connection(testsupport::contactlessReader);
        QVERIFY(connection.connected());
        QByteArray answer;
        QCOMPARE(connection.transmit("90CA000005C828680F0E00", 2, &answer),
                 LONG(SCARD_E_INSUFFICIENT_BUFFER));
        QCOMPARE(connection.transmit("906E000000", 258, &answer), LONG(SCARD_S_SUCCESS));
        QCOMPARE(answer, hex("E01D00009100"));
    }
    link.withCard([](vcard::VirtualCard &virtualCard) {
        QCOMPARE(static_cast<DesfireCard &>(virtualCard).applicationIds().size(), std::size_t{1});
    });
    link.remove();
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));
}

QTEST_GUILESS_MAIN(TestDesfireVpcd)
#include "tst_desfire_vpcd.moc"
