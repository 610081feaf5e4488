// The access conditions of the virtual MIFARE Classic card: the coding of the access
// bits, and the rights of each key on data blocks and on the trailer, row by row of
// the published tables, through the reader's commands.

#include "hex.h"
#include "mifare_access.h"
#include "mifare_classic_card.h"
#include "mifare_reader.h"

#include <QtTest>

using namespace mifarereader;
using vcard::MifareClassicCard;
using vcard::MifareOptions;
using vcard::mifare::AccessBytes;
using vcard::mifare::Conditions;

Q_DECLARE_METATYPE(vcard::mifare::Conditions)
Q_DECLARE_METATYPE(vcard::mifare::AccessBytes)

namespace {

const QString ok = QStringLiteral("9000");
const QString denied = QStringLiteral("6982");
const QString keyA = QStringLiteral("A0A1A2A3A4A5");
const QString keyB = QStringLiteral("B0B1B2B3B4B5");
const QString contents = QStringLiteral("00112233445566778899AABBCCDDEEFF");
const QString pattern = QStringLiteral("FFEEDDCCBBAA99887766554433221100");

// The sector opens with keyA and keyB, under these conditions; the others are as the
// factory leaves them. A 4K, so that big sectors can be had too.
MifareOptions keyedSector(int sector, const Conditions &conditions) {
    MifareOptions options;
    options.type = vcard::mifare::CardType::Classic4K;
    options.keyA[sector] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    options.keyB[sector] = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
    options.access[sector] = vcard::mifare::encodeAccess(conditions);
    return options;
}

// Trailer bytes 6 to 9 as the factory's byte 9 follows the bits.
QString bitsAndByte9(const Conditions &conditions) {
    const AccessBytes bytes = vcard::mifare::encodeAccess(conditions);
    return QString::fromStdString(vcard::toHex(vcard::Bytes(bytes.begin(), bytes.end()))) + "69";
}

QString conditionName(int condition) {
    return QString::number(condition, 2).rightJustified(3, '0');
}

AccessBytes bytesOf(const QString &hex) {
    const vcard::Bytes bytes = vcard::fromHex(hex.toStdString());
    return {bytes[0], bytes[1], bytes[2]};
}

// Opens the block's sector with key 'A' or 'B' of keyedSector().
QStringList opened(int block, char key) {
    return {loadKey(key == 'A' ? keyA : keyB), authenticate(block, key)};
}

} // namespace

class TestMifareAccess : public QObject {
    Q_OBJECT

private slots:
    void coding_data();
    void coding();
    void malformedBits_data();
    void malformedBits();
    void dataBlockRights_data();
    void dataBlockRights();
    void trailerRights_data();
    void trailerRights();
    void groupsOfABigSector_data();
    void groupsOfABigSector();
    void malformedBitsLockTheSector();
};

void TestMifareAccess::coding_data() {
    QTest::addColumn<Conditions>("conditions");
    QTest::addColumn<QString>("bytes");
    QTest::newRow("transport") << Conditions{0, 0, 0, 0b001} << "FF0780";
    QTest::newRow("data read-only") << Conditions{0b010, 0b010, 0b010, 0b001} << "8F0787";
    QTest::newRow("data written with key B") << Conditions{0b100, 0b100, 0b100, 0b011} << "787788";
    QTest::newRow("value blocks") << Conditions{0b110, 0b110, 0b110, 0b011} << "08778F";
    QTest::newRow("keys changed with key B") << Conditions{0, 0, 0, 0b011} << "7F0788";
    QTest::newRow("all locked") << Conditions{0b111, 0b111, 0b111, 0b111} << "00F0FF";
    QTest::newRow("nothing set") << Conditions{0, 0, 0, 0} << "FF0F00";
    // C1 of group 0, C2 of group 1, C3 of group 2, all three of the trailer.
    QTest::newRow("one bit a group") << Conditions{0b100, 0b010, 0b001, 0b111} << "5693CA";
}

void TestMifareAccess::coding() {
    QFETCH(Conditions, conditions);
    QFETCH(QString, bytes);
    QCOMPARE(vcard::mifare::encodeAccess(conditions), bytesOf(bytes));
    QCOMPARE(vcard::mifare::decodeAccess(bytesOf(bytes)), std::optional<Conditions>(conditions));
}

void TestMifareAccess::malformedBits_data() {
    QTest::addColumn<QString>("bytes");
    QTest::newRow("~C1 of group 0 flipped") << "FE0780";
    QTest::newRow("~C2 of the trailer flipped") << "7F0780";
    QTest::newRow("C1 of group 0 flipped") << "FF1780";
    QTest::newRow("~C3 of group 0 flipped") << "FF0680";
    QTest::newRow("C3 of the trailer flipped") << "FF0700";
    QTest::newRow("C2 of group 2 flipped") << "FF0784";
    QTest::newRow("all zeros") << "000000";
    QTest::newRow("all ones") << "FFFFFF";
}

void TestMifareAccess::malformedBits() {
    QFETCH(QString, bytes);
    QCOMPARE(vcard::mifare::decodeAccess(bytesOf(bytes)), std::nullopt);
}

// Block 4 under each data condition of group 0, the trailer at 011 so that key B is
// a key; what a read and a write of each key get.
void TestMifareAccess::dataBlockRights_data() {
    QTest::addColumn<int>("condition");
    QTest::addColumn<char>("key");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<bool>("writes");
    struct Row {
        int condition;
        bool readA, writeA, readB, writeB;
    };
    const Row rows[] = {
        {0b000, true, true, true, true},    {0b010, true, false, true, false},
        {0b100, true, false, true, true},   {0b110, true, false, true, true},
        {0b001, true, false, true, false},  {0b011, false, false, true, true},
        {0b101, false, false, true, false}, {0b111, false, false, false, false},
    };
    for (const Row &row : rows) {
        const QString name = conditionName(row.condition);
        QTest::addRow("%s, key A", qPrintable(name))
            << row.condition << 'A' << row.readA << row.writeA;
        QTest::addRow("%s, key B", qPrintable(name))
            << row.condition << 'B' << row.readB << row.writeB;
    }
}

void TestMifareAccess::dataBlockRights() {
    QFETCH(int, condition);
    QFETCH(char, key);
    QFETCH(bool, reads);
    QFETCH(bool, writes);
    MifareOptions options = keyedSector(1, {vcard::mifare::Condition(condition), 0, 0, 0b011});
    options.blocks[4] = blockOf(contents);
    MifareClassicCard card(options);
    QCOMPARE(converse(card, normalized(opened(4, key) + QStringList{read(4), write(4, pattern)})),
             normalized(QStringList{ok, ok, reads ? contents + ok : denied, writes ? ok : denied}));
    QCOMPARE(hexOf(card.block(4)), writes ? pattern : contents);
    // The other data blocks of the sector stay free (group 1, 000).
    QCOMPARE(converse(card, {write(5, pattern)}), QStringList{ok});
}

// The trailer of sector 1 under each trailer condition (data at 000). The read shows
// key A as zeros, the access bits with byte 9, key B where the key may read it. Each
// part is written on its own, the rest as stored.
void TestMifareAccess::trailerRights_data() {
    QTest::addColumn<int>("condition");
    QTest::addColumn<char>("key");
    QTest::addColumn<QString>("trailerRead");
    QTest::addColumn<bool>("keyAWrite");
    QTest::addColumn<bool>("bitsWrite");
    QTest::addColumn<bool>("keyBWrite");
    struct Row {
        int condition;
        char key;
        const char *read; // "bits", "bits and key B" or "denied"
        bool keyAWrite, bitsWrite, keyBWrite;
    };
    // Key B readable (000, 010, 001) makes key B data: no access with it at all.
    const Row rows[] = {
        {0b000, 'A', "bits and key B", true, false, true},
        {0b000, 'B', "denied", false, false, false},
        {0b010, 'A', "bits and key B", false, false, false},
        {0b010, 'B', "denied", false, false, false},
        {0b100, 'A', "bits", false, false, false},
        {0b100, 'B', "bits", true, false, true},
        {0b110, 'A', "bits", false, false, false},
        {0b110, 'B', "bits", false, false, false},
        {0b001, 'A', "bits and key B", true, true, true},
        {0b001, 'B', "denied", false, false, false},
        {0b011, 'A', "bits", false, false, false},
        {0b011, 'B', "bits", true, true, true},
        {0b101, 'A', "bits", false, false, false},
        {0b101, 'B', "bits", false, true, false},
        {0b111, 'A', "bits", false, false, false},
        {0b111, 'B', "bits", false, false, false},
    };
    for (const Row &row : rows) {
        const QString bits = bitsAndByte9({0, 0, 0, vcard::mifare::Condition(row.condition)});
        const QString read = QLatin1String(row.read);
        const QString shown = read == "denied" ? denied
                              : read == "bits" ? "000000000000" + bits + "000000000000" + ok
                                               : "000000000000" + bits + keyB + ok;
        QTest::addRow("%s, key %c", qPrintable(conditionName(row.condition)), row.key)
            << row.condition << row.key << shown << row.keyAWrite << row.bitsWrite << row.keyBWrite;
    }
}

void TestMifareAccess::trailerRights() {
    QFETCH(int, condition);
    QFETCH(char, key);
    QFETCH(QString, trailerRead);
    QFETCH(bool, keyAWrite);
    QFETCH(bool, bitsWrite);
    QFETCH(bool, keyBWrite);
    const MifareOptions options = keyedSector(1, {0, 0, 0, vcard::mifare::Condition(condition)});
    {
        MifareClassicCard card(options);
        QCOMPARE(converse(card, normalized(opened(4, key) + QStringList{read(7)})),
                 normalized(QStringList{ok, ok, trailerRead}));
    }
    const struct {
        const char *part;
        int from, to;
        bool allowed;
    } parts[] = {
        {"key A", 0, 6, keyAWrite}, {"byte 9", 9, 10, bitsWrite}, {"key B", 10, 16, keyBWrite}};
    for (const auto &part : parts) {
        MifareClassicCard card(options);
        const QString stored = hexOf(card.block(7));
        QString changed = stored;
        for (int i = part.from; i < part.to; ++i)
            changed.replace(2 * i, 2, QStringLiteral("42"));
        QCOMPARE(converse(card, normalized(opened(4, key) + QStringList{write(7, changed)})),
                 normalized(QStringList{ok, ok, part.allowed ? ok : denied}));
        QVERIFY2(hexOf(card.block(7)) == (part.allowed ? changed : stored), part.part);
    }
}

// In the 4K's sectors of 16 blocks each set of bits covers five blocks: sector 32 with
// groups 000, 010 and 111.
void TestMifareAccess::groupsOfABigSector_data() {
    QTest::addColumn<int>("block");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<bool>("writes");
    QTest::newRow("128, first of group 0") << 128 << true << true;
    QTest::newRow("132, last of group 0") << 132 << true << true;
    QTest::newRow("133, first of group 1") << 133 << true << false;
    QTest::newRow("137, last of group 1") << 137 << true << false;
    QTest::newRow("138, first of group 2") << 138 << false << false;
    QTest::newRow("142, last of group 2") << 142 << false << false;
}

void TestMifareAccess::groupsOfABigSector() {
    QFETCH(int, block);
    QFETCH(bool, reads);
    QFETCH(bool, writes);
    const Conditions conditions{0b000, 0b010, 0b111, 0b001};
    MifareOptions options = keyedSector(32, conditions);
    options.blocks[block] = blockOf(contents);
    MifareClassicCard card(options);
    QCOMPARE(converse(card, normalized(opened(128, 'A') +
                                       QStringList{read(block), write(block, pattern), read(143)})),
             normalized(QStringList{ok, ok, reads ? contents + ok : denied, writes ? ok : denied,
                                    "000000000000" + bitsAndByte9(conditions) + keyB + ok}));
}

// Bits that contradict their inverses lock the sector, whether they came so or were
// written so: no authentication there any more, and the one under way gives nothing.
void TestMifareAccess::malformedBitsLockTheSector() {
    MifareOptions options;
    options.access[2] = bytesOf("FF0680");
    MifareClassicCard card(options);
    QCOMPARE(converse(card, normalized(QStringList{loadKey(), authenticate(8), authenticate(4)})),
             QStringList({ok, "6983", ok}));
    QCOMPARE(converse(card, normalized(QStringList{write(7, "FFFFFFFFFFFFFF068069FFFFFFFFFFFF"),
                                                   read(4), authenticate(4), authenticate(12)})),
             QStringList({ok, denied, "6983", ok}));
}

QTEST_GUILESS_MAIN(TestMifareAccess)
#include "tst_mifare_access.moc"
