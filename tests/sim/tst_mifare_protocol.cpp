// The virtual MIFARE Classic card with its reader's firmware: the storage-card
// commands and their refusals, one authenticated sector at a time, the memory of each
// card type, the injected write faults, and the options that describe no card.

#include "card_factory.h"
#include "hex.h"
#include "mifare_classic_card.h"
#include "mifare_reader.h"

#include <QtTest>

#include <stdexcept>

using namespace mifarereader;
using vcard::MifareClassicCard;
using vcard::MifareOptions;

Q_DECLARE_METATYPE(vcard::MifareOptions)

namespace {

const QString ok = QStringLiteral("9000");
const QString otherKey = QStringLiteral("A0A1A2A3A4A5");
const QString block4 = QStringLiteral("00112233445566778899AABBCCDDEEFF");
const QString block8 = QStringLiteral("8899AABBCCDDEEFF0011223344556677");
const QString counting = QStringLiteral("0102030405060708090A0B0C0D0E0F10");
// The factory trailer as it reads: key A as zeros, FF 07 80 69, key B.
const QString transportTrailerRead = QStringLiteral("000000000000FF078069FFFFFFFFFFFF");

MifareOptions withContents() {
    MifareOptions options;
    options.blocks[4] = blockOf(block4);
    options.blocks[8] = blockOf(block8);
    return options;
}

MifareOptions withFault(std::set<int> MifareOptions::*faults, int block) {
    MifareOptions options = withContents();
    (options.*faults).insert(block);
    return options;
}

// The first block of a sector and its trailer, counted here rather than taken from the
// card: 4 blocks a sector, 16 from sector 32 on.
int firstBlockOf(int sector) {
    return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16;
}
int trailerOf(int sector) {
    return firstBlockOf(sector) + (sector < 32 ? 3 : 15);
}

} // namespace

class TestMifareProtocol : public QObject {
    Q_OBJECT

private slots:
    void conversation_data();
    void conversation();
    void cardTypes_data();
    void cardTypes();
    void powerEventsEndTheAuthentication_data();
    void powerEventsEndTheAuthentication();
    void optionsThatDescribeNoCard_data();
    void optionsThatDescribeNoCard();
};

// Each row starts on a fresh card (a 1K unless the options say otherwise): the commands
// sent one after the other, and the answer each got.
void TestMifareProtocol::conversation_data() {
    QTest::addColumn<MifareOptions>("options");
    QTest::addColumn<QStringList>("apdus");
    QTest::addColumn<QStringList>("answers");
    const MifareOptions card = withContents();
    const QString lk = loadKey(), auth4 = authenticate(4), auth8 = authenticate(8);

    QTest::newRow("UID") << card << QStringList{"FFCA000000"} << QStringList{"5AC3197E9000"};
    QTest::newRow("UID, Le 4") << card << QStringList{"FFCA000004"} << QStringList{"5AC3197E9000"};
    QTest::newRow("UID, Le too short") << card << QStringList{"FFCA000002"} << QStringList{"6C04"};
    QTest::newRow("UID without Le") << card << QStringList{"FFCA0000"} << QStringList{"6700"};
    QTest::newRow("historical bytes, not offered")
        << card << QStringList{"FFCA010000"} << QStringList{"6A81"};
    QTest::newRow("class not FF") << card << QStringList{"00B0000410"} << QStringList{"6E00"};
    QTest::newRow("a DESFire command") << card << QStringList{"9060000000"} << QStringList{"6E00"};
    QTest::newRow("unsupported instruction")
        << card << QStringList{"FF00000000"} << QStringList{"6A81"};
    QTest::newRow("three bytes") << card << QStringList{"FFB000"} << QStringList{"6700"};
    QTest::newRow("Lc beyond the data")
        << card << QStringList{"FFD6000410" + counting.left(30)} << QStringList{"6700"};

    QTest::newRow("load key") << card << QStringList{lk} << QStringList{ok};
    QTest::newRow("load key, slot 1")
        << card << QStringList{loadKey(transportKey, 1)} << QStringList{ok};
    QTest::newRow("load key, slot 2")
        << card << QStringList{loadKey(transportKey, 2)} << QStringList{"6988"};
    QTest::newRow("load key, non-volatile")
        << card << QStringList{"FF82200006" + transportKey} << QStringList{"6A81"};
    QTest::newRow("load key of 5 bytes")
        << card << QStringList{"FF82000005FFFFFFFFFF"} << QStringList{"6989"};
    QTest::newRow("load key without a key")
        << card << QStringList{"FF82000000"} << QStringList{"6700"};

    QTest::newRow("authenticate, no key loaded")
        << card << QStringList{auth4} << QStringList{"6988"};
    QTest::newRow("authenticate, slot never loaded")
        << card << QStringList{lk, authenticate(4, 'A', 1)} << QStringList{ok, "6988"};
    QTest::newRow("authenticate, slot out of range")
        << card << QStringList{lk, authenticate(4, 'A', 2)} << QStringList{ok, "6988"};
    QTest::newRow("authenticate key A") << card << QStringList{lk, auth4} << QStringList{ok, ok};
    QTest::newRow("authenticate at the trailer's address")
        << card << QStringList{lk, authenticate(7), read(4)} << QStringList{ok, ok, block4 + ok};
    QTest::newRow("authenticate with a key the sector lacks")
        << card << QStringList{loadKey(otherKey), auth4} << QStringList{ok, "6300"};
    QTest::newRow("version 02") << card << QStringList{lk, "FF86000005020004600000"}
                                << QStringList{ok, "6A81"};
    QTest::newRow("key type 62") << card << QStringList{lk, "FF860000050100046200"}
                                 << QStringList{ok, "6A81"};
    QTest::newRow("authenticate block 64")
        << card << QStringList{lk, authenticate(64)} << QStringList{ok, "6A82"};
    QTest::newRow("authenticate, address above 255")
        << card << QStringList{lk, "FF860000050101046000"} << QStringList{ok, "6A82"};
    QTest::newRow("authenticate, 4 bytes")
        << card << QStringList{lk, "FF8600000401000460"} << QStringList{ok, "6700"};
    // The transport trailer lets key B be read: key B is data, and gives no access.
    QTest::newRow("key B of the transport trailer")
        << card << QStringList{lk, authenticate(4, 'B'), read(4), write(5, counting)}
        << QStringList{ok, ok, "6982", "6982"};

    QTest::newRow("read without authentication")
        << card << QStringList{read(4)} << QStringList{"6982"};
    QTest::newRow("read") << card << QStringList{lk, auth4, read(4)}
                          << QStringList{ok, ok, block4 + ok};
    QTest::newRow("read, Le 00") << card << QStringList{lk, auth4, "FFB0000400"}
                                 << QStringList{ok, ok, block4 + ok};
    QTest::newRow("read, Le 8") << card << QStringList{lk, auth4, "FFB0000408"}
                                << QStringList{ok, ok, "6C10"};
    QTest::newRow("read without Le")
        << card << QStringList{lk, auth4, "FFB00004"} << QStringList{ok, ok, "6700"};
    QTest::newRow("read of another sector")
        << card << QStringList{lk, auth4, read(8)} << QStringList{ok, ok, "6982"};
    QTest::newRow("read block 64")
        << card << QStringList{lk, auth4, read(64)} << QStringList{ok, ok, "6A82"};
    QTest::newRow("read, P1 01") << card << QStringList{lk, auth4, "FFB0010410"}
                                 << QStringList{ok, ok, "6A82"};
    QTest::newRow("read of the trailer, key A as zeros")
        << card << QStringList{lk, auth4, read(7)}
        << QStringList{ok, ok, transportTrailerRead + ok};
    QTest::newRow("read of block 0")
        << card << QStringList{lk, authenticate(0), read(0)}
        << QStringList{ok, ok, "5AC3197EFE0804006263646566676869" + ok};

    QTest::newRow("write and read back")
        << card << QStringList{lk, auth4, write(4, counting), read(4)}
        << QStringList{ok, ok, ok, counting + ok};
    QTest::newRow("write to block 0")
        << card << QStringList{lk, authenticate(0), write(0, counting)}
        << QStringList{ok, ok, "6986"};
    QTest::newRow("write of 15 bytes")
        << card << QStringList{lk, auth4, "FFD600040F" + counting.left(30)}
        << QStringList{ok, ok, "6700"};
    QTest::newRow("write without authentication")
        << card << QStringList{write(4, counting)} << QStringList{"6982"};
    QTest::newRow("write into another sector")
        << card << QStringList{lk, auth4, write(8, counting), authenticate(8), read(8)}
        << QStringList{ok, ok, "6982", ok, block8 + ok};
    QTest::newRow("write block 64")
        << card << QStringList{lk, auth4, write(64, counting)} << QStringList{ok, ok, "6A82"};
    // The trailer written back as it reads sets key A to zeros: the sector then opens
    // with zeros only.
    QTest::newRow("trailer written back as read")
        << card
        << QStringList{lk,   auth4, write(7, transportTrailerRead), auth4, loadKey("000000000000"),
                       auth4}
        << QStringList{ok, ok, ok, "6300", ok, ok};

    QTest::newRow("authentication moves to the other sector")
        << card << QStringList{lk, auth4, auth8, read(4), read(8)}
        << QStringList{ok, ok, ok, "6982", block8 + ok};
    QTest::newRow("a failed authentication ends the one before")
        << card << QStringList{lk, loadKey(otherKey, 1), auth4, authenticate(8, 'A', 1), read(4)}
        << QStringList{ok, ok, ok, "6300", "6982"};
    QTest::newRow("a failed authentication on the same sector")
        << card << QStringList{lk, loadKey(otherKey, 1), auth4, authenticate(4, 'A', 1), read(4)}
        << QStringList{ok, ok, ok, "6300", "6982"};
    QTest::newRow("a refused authentication ends it too")
        << card << QStringList{lk, auth4, "FF860000050100046200", read(4)}
        << QStringList{ok, ok, "6A81", "6982"};
    QTest::newRow("the key in slot 1") << card
                                       << QStringList{loadKey(otherKey), loadKey(transportKey, 1),
                                                      authenticate(4, 'A', 1), read(4)}
                                       << QStringList{ok, ok, ok, block4 + ok};

    QTest::newRow("fault: silent block")
        << withFault(&MifareOptions::silentBlocks, 4)
        << QStringList{lk, auth4, write(4, counting), read(4), write(5, counting), read(5)}
        << QStringList{ok, ok, ok, block4 + ok, ok, counting + ok};
    QTest::newRow("fault: block refusing writes")
        << withFault(&MifareOptions::refusingBlocks, 4)
        << QStringList{lk, auth4, write(4, counting), read(4), write(5, counting), read(5)}
        << QStringList{ok, ok, "6581", block4 + ok, ok, counting + ok};
    // Access conditions come first: the fault acts where the memory would.
    MifareOptions readOnlySilent = withFault(&MifareOptions::silentBlocks, 4);
    readOnlySilent.access[1] = {0x8F, 0x07, 0x87};
    QTest::newRow("fault: silent block in a read-only sector")
        << readOnlySilent << QStringList{lk, auth4, write(4, counting)}
        << QStringList{ok, ok, "6982"};
}

void TestMifareProtocol::conversation() {
    QFETCH(MifareOptions, options);
    QFETCH(QStringList, apdus);
    QFETCH(QStringList, answers);
    MifareClassicCard card(options);
    QCOMPARE(converse(card, normalized(apdus)), normalized(answers));
}

void TestMifareProtocol::cardTypes_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("atr");
    QTest::addColumn<int>("sectors");
    QTest::addColumn<QString>("sakAndAtqa");
    QTest::newRow("Mini") << "mifare-mini"
                          << "3B8F8001804F0CA000000306030026000000004D" << 5 << "090400";
    QTest::newRow("1K") << "mifare-1k"
                        << "3B8F8001804F0CA000000306030001000000006A" << 16 << "080400";
    QTest::newRow("4K") << "mifare-4k"
                        << "3B8F8001804F0CA0000003060300020000000069" << 40 << "180200";
}

// Every sector opens with the transport key and holds a factory trailer; data blocks
// read as zeros; the block after the last is missing.
void TestMifareProtocol::cardTypes() {
    QFETCH(QString, kind);
    QFETCH(QString, atr);
    QFETCH(int, sectors);
    QFETCH(QString, sakAndAtqa);

    const auto made =
        std::dynamic_pointer_cast<MifareClassicCard>(vcard::makeCard(kind.toStdString()));
    QVERIFY(made);
    MifareClassicCard &card = *made;
    QCOMPARE(QString::fromStdString(vcard::toHex(card.atr())), atr);
    QCOMPARE(card.blockCount(), trailerOf(sectors - 1) + 1);
    QCOMPARE(hexOf(card.block(0)).mid(10, 6), sakAndAtqa);

    QCOMPARE(converse(card, {loadKey()}), QStringList{ok});
    for (int sector = 0; sector < sectors; ++sector) {
        const QStringList answers =
            converse(card, {authenticate(firstBlockOf(sector)), read(trailerOf(sector)),
                            read(trailerOf(sector) - 1)});
        QCOMPARE(answers, QStringList({ok, transportTrailerRead + ok,
                                       "00000000000000000000000000000000" + ok}));
    }
    if (card.blockCount() < 256)
        QCOMPARE(converse(card, {authenticate(card.blockCount())}), QStringList{"6A82"});
}

void TestMifareProtocol::powerEventsEndTheAuthentication_data() {
    QTest::addColumn<int>("event");
    QTest::newRow("reset") << 0;
    QTest::newRow("power off") << 1;
    QTest::newRow("power on") << 2;
}

// The loaded key is the reader's and stays; the authentication is the card's.
void TestMifareProtocol::powerEventsEndTheAuthentication() {
    QFETCH(int, event);
    MifareClassicCard card(withContents());
    QCOMPARE(converse(card, {loadKey(), authenticate(4)}), QStringList({ok, ok}));
    QCOMPARE(card.authenticatedSector(), std::optional<int>(1));
    if (event == 0)
        card.reset();
    else if (event == 1)
        card.powerOff();
    else
        card.powerOn();
    QCOMPARE(card.authenticatedSector(), std::nullopt);
    QCOMPARE(converse(card, {read(4), authenticate(4), read(4)}),
             QStringList({"6982", ok, block4 + ok}));
}

void TestMifareProtocol::optionsThatDescribeNoCard_data() {
    QTest::addColumn<MifareOptions>("options");
    MifareOptions options;
    options.uid = {0x01, 0x02, 0x03};
    QTest::newRow("UID of 3 bytes") << options;
    options = {};
    options.uid = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    QTest::newRow("UID of 7 bytes") << options;
    options = {};
    options.keyA[16] = {};
    QTest::newRow("key A for sector 16 of a 1K") << options;
    options = {};
    options.type = vcard::mifare::CardType::Mini;
    options.access[5] = {0xFF, 0x07, 0x80};
    QTest::newRow("access bits for sector 5 of a Mini") << options;
    options = {};
    options.keyB[-1] = {};
    QTest::newRow("key B for sector -1") << options;
    options = {};
    options.blocks[0] = {};
    QTest::newRow("contents for block 0") << options;
    options = {};
    options.blocks[7] = {};
    QTest::newRow("contents for a trailer") << options;
    options = {};
    options.type = vcard::mifare::CardType::Classic4K;
    options.blocks[143] = {};
    QTest::newRow("contents for a trailer of a big sector") << options;
    options = {};
    options.blocks[64] = {};
    QTest::newRow("contents for block 64 of a 1K") << options;
    options = {};
    options.silentBlocks.insert(64);
    QTest::newRow("silent block 64 of a 1K") << options;
    options = {};
    options.refusingBlocks.insert(-1);
    QTest::newRow("refusing block -1") << options;
}

void TestMifareProtocol::optionsThatDescribeNoCard() {
    QFETCH(MifareOptions, options);
    QVERIFY_EXCEPTION_THROWN(MifareClassicCard card(options), std::invalid_argument);
}

QTEST_GUILESS_MAIN(TestMifareProtocol)
#include "tst_mifare_protocol.moc"
