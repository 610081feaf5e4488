// The MIFARE Classic memory test against the virtual cards in the contact reader,
// through pcscd: whole cycles, the refusals and faults it must name, a card pulled
// in the middle, cards of other kinds, and stop requests.

#include "card/mifare_classic_test.h"
#include "card_test_support.h"
#include "desfire_card.h"
#include "hex.h"
#include "iso_card.h"
#include "mifare_classic_card.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"

#include <QtTest>

#include <memory>

using cardtest::ConnectedCard;
using mifare::TestOutcome;
using mifare::TestSettings;
using vcard::MifareClassicCard;
using vcard::MifareOptions;
using Memory = std::vector<vcard::mifare::Block>;

Q_DECLARE_METATYPE(vcard::MifareOptions)
Q_DECLARE_METATYPE(mifare::TestSettings)
Q_DECLARE_METATYPE(std::shared_ptr<vcard::VirtualCard>)

namespace {

constexpr auto classic1K = vcard::mifare::CardType::Classic1K;
constexpr auto classic4K = vcard::mifare::CardType::Classic4K;
constexpr auto mini = vcard::mifare::CardType::Mini;
const vcard::mifare::KeyBytes otherKey{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const vcard::mifare::KeyBytes keyB{0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};

bool isTrailer(int block) {
    return block < 128 ? block % 4 == 3 : (block - 128) % 16 == 15;
}

// Every data block with content of its own, so that a block written to the wrong place
// or not put back shows.
MifareOptions filledCard(vcard::mifare::CardType type) {
    MifareOptions options;
    options.type = type;
    const int blocks = MifareClassicCard(options).blockCount();
    for (int block = 1; block < blocks; ++block) {
        if (isTrailer(block))
            continue;
        vcard::mifare::Block contents;
        for (std::size_t i = 0; i < contents.size(); ++i)
            contents[i] = std::uint8_t(block * 7 + i * 13);
        options.blocks[block] = contents;
    }
    return options;
}

template <typename Value> std::map<int, Value> everySector(int sectors, const Value &value) {
    std::map<int, Value> bySector;
    for (int sector = 0; sector < sectors; ++sector)
        bySector[sector] = value;
    return bySector;
}

TestSettings withSectors(QList<int> sectors) {
    TestSettings settings;
    settings.sectors = std::move(sectors);
    return settings;
}

QByteArray bytesOf(const vcard::mifare::Block &block) {
    return QByteArray(reinterpret_cast<const char *>(block.data()), int(block.size()));
}

// A MIFARE Classic card in the contact reader, connected with T=1.
struct ClassicInReader {
    explicit ClassicInReader(const MifareOptions &options)
        : card(std::make_shared<MifareClassicCard>(options)), connected(card, SCARD_PROTOCOL_T1) {}

    Memory memory() {
        Memory blocks;
        connected.link().withCard([&](vcard::VirtualCard &) {
            for (int block = 0; block < card->blockCount(); ++block)
                blocks.push_back(card->block(block));
        });
        return blocks;
    }
    QStringList updates() const { return connected.commands().filter(QRegularExpression("^FFD6")); }

    std::shared_ptr<MifareClassicCard> card;
    ConnectedCard connected;
};

// A reader that answers every command with 90 00 and nothing else.
class StatusOnlyReader : public vcard::VirtualCard {
public:
    vcard::Bytes atr() const override { return vcard::mifare::storageCardAtr(classic1K); }
    vcard::Bytes execute(const vcard::Bytes &) override { return {0x90, 0x00}; }
};

} // namespace

class TestMifareClassicTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactReader, false)); }

    void passedCycles_data();
    void passedCycles();
    void failedCycle_data();
    void failedCycle();
    void cardPulledMidCycle_data();
    void cardPulledMidCycle();
    void notMifareClassic_data();
    void notMifareClassic();
    void readerAnsweringWithoutData();
    void stopRequest_data();
    void stopRequest();
};

void TestMifareClassicTest::passedCycles_data() {
    QTest::addColumn<MifareOptions>("options");
    QTest::addColumn<TestSettings>("settings");
    QTest::addColumn<int>("sectors");
    QTest::addColumn<int>("blocks");

    QTest::newRow("1K") << filledCard(classic1K) << TestSettings{} << 16 << 47;
    QTest::newRow("4K") << filledCard(classic4K) << TestSettings{} << 40 << 215;
    QTest::newRow("Mini") << filledCard(mini) << TestSettings{} << 5 << 14;
    QTest::newRow("4K, sectors 1, 5 and 39")
        << filledCard(classic4K) << withSectors({1, 5, 39}) << 3 << 21;
    // Data free, trailer at 011: key B is a key and writes every data block.
    MifareOptions keyedB = filledCard(classic1K);
    keyedB.keyA = everySector(16, otherKey);
    keyedB.keyB = everySector(16, keyB);
    keyedB.access = everySector(16, vcard::mifare::AccessBytes{0x7F, 0x07, 0x88});
    TestSettings withKeyB;
    withKeyB.key = QByteArray::fromHex("B0B1B2B3B4B5");
    withKeyB.keyType = storagecard::KeyType::B;
    QTest::newRow("1K with key B") << keyedB << withKeyB << 16 << 47;
}

// Two cycles in a row on the same card, each passed, the card as it was after each.
// Every data block written twice, the pattern differing from it in every byte, then
// the original; nothing else written.
void TestMifareClassicTest::passedCycles() {
    QFETCH(MifareOptions, options);
    QFETCH(TestSettings, settings);
    QFETCH(int, sectors);
    QFETCH(int, blocks);
    ClassicInReader reader(options);
    QVERIFY2(reader.connected.ok(), qPrintable(reader.connected.failure()));
    const Memory before = reader.memory();

    for (int cycle = 0; cycle < 2; ++cycle) {
        reader.connected.link().clearLog();
        const TestOutcome outcome = mifare::runClassicTest(reader.connected.handle(), settings);
        QCOMPARE(outcome.failedStep, QString());
        QVERIFY(outcome.verdict == TestOutcome::Verdict::Passed);
        QVERIFY(outcome.type.has_value());
        QCOMPARE(outcome.uid.toHex().toUpper(), QByteArray("5AC3197E"));
        QVERIFY(outcome.unrestored.isEmpty());
        QCOMPARE(outcome.counts.commands, 2 + sectors + 5 * blocks);
        QCOMPARE(reader.connected.commands().size(), outcome.counts.commands);
        QCOMPARE(outcome.counts.sectorsAuthenticated, sectors);
        QCOMPARE(outcome.counts.blocksRead, blocks);
        QCOMPARE(outcome.counts.blocksWritten, blocks);
        QCOMPARE(outcome.counts.blocksVerified, blocks);
        QCOMPARE(outcome.counts.blocksRestored, blocks);
        QCOMPARE(outcome.counts.failedSteps, 0);
        QVERIFY(reader.memory() == before);

        const QStringList updates = reader.updates();
        QCOMPARE(updates.size(), 2 * blocks);
        for (int i = 0; i < updates.size(); i += 2) {
            const QByteArray pattern = QByteArray::fromHex(updates[i].toLatin1());
            const QByteArray restore = QByteArray::fromHex(updates[i + 1].toLatin1());
            const int block = quint8(pattern[3]);
            QCOMPARE(quint8(restore[3]), quint8(block));
            QVERIFY2(block != 0 && !isTrailer(block), qPrintable(updates[i]));
            const QByteArray original = bytesOf(before[std::size_t(block)]);
            QCOMPARE(restore.mid(5), original);
            for (int b = 0; b < 16; ++b)
                QVERIFY2(pattern[5 + b] != original[b], qPrintable(updates[i]));
        }
    }
}

void TestMifareClassicTest::failedCycle_data() {
    QTest::addColumn<MifareOptions>("options");
    QTest::addColumn<TestSettings>("settings");
    QTest::addColumn<QString>("failedStep");
    QTest::addColumn<int>("updates"); // update commands sent, refused ones included

    const MifareOptions card = filledCard(classic1K);
    MifareOptions options = card;
    options.keyA = everySector(16, otherKey);
    QTest::newRow("another key A in every sector")
        << options << TestSettings{} << "authenticate sector 0: 63 00" << 0;
    options = card;
    options.keyA[5] = otherKey;
    QTest::newRow("another key A in sector 5")
        << options << TestSettings{} << "authenticate sector 5: 63 00" << 44 * 2;
    options = card;
    options.access[3] = {0x8F, 0x07, 0x87};
    // Each refused pattern is followed by a read that shows the block unchanged, not
    // by a write back.
    QTest::newRow("sector 3 read-only")
        << options << TestSettings{} << "write block 12: 69 82" << 44 * 2 + 3;
    options = card;
    options.silentBlocks.insert(22);
    QTest::newRow("block 22 keeps its content")
        << options << TestSettings{} << "read back block 22: differs in 16 bytes" << 47 * 2;
    options = card;
    options.refusingBlocks.insert(22);
    QTest::newRow("block 22 refuses writes")
        << options << TestSettings{} << "write block 22: 65 81" << 46 * 2 + 1;
    options = card;
    options.access[2] = {0xFF, 0x06, 0x80};
    QTest::newRow("sector 2 with malformed access bits")
        << options << TestSettings{} << "authenticate sector 2: 69 83" << 44 * 2;
    TestSettings keyBOfTransport;
    keyBOfTransport.keyType = storagecard::KeyType::B;
    QTest::newRow("key B of the transport trailers, which is data")
        << card << keyBOfTransport << "read block 1: 69 82" << 0;
    TestSettings shortKey;
    shortKey.key = QByteArray(5, char(0xFF));
    QTest::newRow("key of 5 bytes") << card << shortKey << "load key: 69 89" << 0;
    QTest::newRow("sectors beyond a 1K")
        << card << withSectors({3, 16, 20})
        << "sectors: 16, 20 not on a MIFARE Classic 1K (sectors 0 to 15)" << 0;
}

// Failed, the first step that did not go as needed named, and the card as it was.
void TestMifareClassicTest::failedCycle() {
    QFETCH(MifareOptions, options);
    QFETCH(TestSettings, settings);
    QFETCH(QString, failedStep);
    QFETCH(int, updates);
    ClassicInReader reader(options);
    QVERIFY2(reader.connected.ok(), qPrintable(reader.connected.failure()));
    const Memory before = reader.memory();

    const TestOutcome outcome = mifare::runClassicTest(reader.connected.handle(), settings);
    QCOMPARE(outcome.failedStep, failedStep);
    QVERIFY(outcome.verdict == TestOutcome::Verdict::Failed);
    QVERIFY(outcome.unrestored.isEmpty());
    QCOMPARE(reader.updates().size(), updates);
    QCOMPARE(reader.connected.commands().size(), outcome.counts.commands);
    QVERIFY(reader.memory() == before);
}

void TestMifareClassicTest::cardPulledMidCycle_data() {
    QTest::addColumn<int>("answered"); // commands answered before the card leaves
    QTest::addColumn<QString>("failedStep");
    QTest::addColumn<bool>("unrestored");
    QTest::addColumn<bool>("leftWithPattern");
    // UID, load key, authenticate sector 0, then block 1: read, write, read back,
    // write back, read back.
    QTest::newRow("at the first read") << 3 << "read block 1" << false << false;
    QTest::newRow("at the pattern's write") << 4 << "write block 1" << true << false;
    QTest::newRow("at the write back") << 6 << "write back block 1" << true << true;
    QTest::newRow("at the last read back") << 7 << "read back restored block 1" << true << false;
    QTest::newRow("at the fourth sector's authentication")
        << 2 + 3 + 8 * 5 << "authenticate sector 3" << false << false;
}

// Nothing is sent after the command the card did not answer; a block that was
// written to and not read back as it was is given back with its original content.
void TestMifareClassicTest::cardPulledMidCycle() {
    QFETCH(int, answered);
    QFETCH(QString, failedStep);
    QFETCH(bool, unrestored);
    QFETCH(bool, leftWithPattern);
    ClassicInReader reader(filledCard(classic1K));
    QVERIFY2(reader.connected.ok(), qPrintable(reader.connected.failure()));
    const Memory before = reader.memory();
    reader.connected.link().dropAfterCommands(answered);

    const TestOutcome outcome = mifare::runClassicTest(reader.connected.handle(), TestSettings{});
    QVERIFY2(outcome.failedStep.startsWith(failedStep + ": "), qPrintable(outcome.failedStep));
    QVERIFY(outcome.verdict == TestOutcome::Verdict::Failed);
    QCOMPARE(outcome.counts.commands, answered + 1);
    QCOMPARE(reader.connected.commands().size(), answered + 1);
    QCOMPARE(outcome.unrestored.size(), unrestored ? 1 : 0);
    Memory expected = before;
    if (unrestored) {
        QCOMPARE(outcome.unrestored.front().block, 1);
        QCOMPARE(outcome.unrestored.front().original, bytesOf(before[1]));
    }
    if (leftWithPattern)
        for (auto &byte : expected[1])
            byte = std::uint8_t(~byte);
    QVERIFY(reader.memory() == expected);
}

void TestMifareClassicTest::notMifareClassic_data() {
    QTest::addColumn<std::shared_ptr<vcard::VirtualCard>>("card");
    QTest::addColumn<QString>("atr");
    QTest::newRow("DESFire") << std::shared_ptr<vcard::VirtualCard>(
                                    std::make_shared<vcard::DesfireCard>())
                             << "3B8180018080";
    QTest::newRow("contact card") << std::shared_ptr<vcard::VirtualCard>(
                                         std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only))
                                  << "3BF81300008131FE15597562696B657934D4";
    const vcard::Bytes ultralight = vcard::fromHex("3B8F8001804F0CA0000003060300030000000068");
    QTest::newRow("storage card of another name")
        << std::shared_ptr<vcard::VirtualCard>(std::make_shared<vcard::IsoCard>(ultralight))
        << "3B8F8001804F0CA0000003060300030000000068";
}

// Nothing is sent to it.
void TestMifareClassicTest::notMifareClassic() {
    QFETCH(std::shared_ptr<vcard::VirtualCard>, card);
    QFETCH(QString, atr);
    ConnectedCard connected(card, SCARD_PROTOCOL_T1);
    QVERIFY2(connected.ok(), qPrintable(connected.failure()));
    const TestOutcome outcome = mifare::runClassicTest(connected.handle(), TestSettings{});
    QCOMPARE(outcome.failedStep, QStringLiteral("not a MIFARE Classic card (ATR %1)").arg(atr));
    QVERIFY(outcome.verdict == TestOutcome::Verdict::Failed);
    QVERIFY(!outcome.type);
    QCOMPARE(outcome.counts.commands, 0);
    QCOMPARE(connected.commands(), QStringList());
}

// A reader that claims every command done yet gives no data: no block is written
// without its original content in hand.
void TestMifareClassicTest::readerAnsweringWithoutData() {
    ConnectedCard connected(std::make_shared<StatusOnlyReader>(), SCARD_PROTOCOL_T1);
    QVERIFY2(connected.ok(), qPrintable(connected.failure()));
    const TestOutcome outcome = mifare::runClassicTest(connected.handle(), TestSettings{});
    QCOMPARE(outcome.failedStep, QStringLiteral("read UID: 90 00 with 0 bytes"));
    QVERIFY(outcome.uid.isEmpty());
    QCOMPARE(outcome.counts.blocksRead, 0);
    QCOMPARE(connected.commands().filter(QRegularExpression("^FFD6")), QStringList());
    QCOMPARE(connected.commands().count("FFB0000110"), 1);
    QVERIFY(connected.commands().last().startsWith("FFB0003E"));
    QVERIFY(outcome.unrestored.isEmpty());
}

void TestMifareClassicTest::stopRequest_data() {
    QTest::addColumn<int>("stopAtAsk"); // 0: never
    QTest::addColumn<int>("blocksTested");
    QTest::newRow("before the first sector") << 1 << 0;
    QTest::newRow("between the blocks of sector 0") << 2 << 1;
    QTest::newRow("before sector 1") << 3 << 2;
    QTest::newRow("between the blocks of sector 1") << 4 << 3;
    QTest::newRow("never") << 0 << 47;
}

// The stop request is asked before each sector and between blocks, never with a block
// between its pattern and its original; the blocks tested are restored.
void TestMifareClassicTest::stopRequest() {
    QFETCH(int, stopAtAsk);
    QFETCH(int, blocksTested);
    ClassicInReader reader(filledCard(classic1K));
    QVERIFY2(reader.connected.ok(), qPrintable(reader.connected.failure()));
    const Memory before = reader.memory();
    int asks = 0;
    QStringList lastCommandAtAsks;
    const auto stop = [&] {
        lastCommandAtAsks.append(reader.connected.commands().last().left(4));
        return ++asks == stopAtAsk;
    };

    const TestOutcome outcome =
        mifare::runClassicTest(reader.connected.handle(), TestSettings{}, stop);
    QCOMPARE(outcome.failedStep, QString());
    QVERIFY(outcome.verdict ==
            (stopAtAsk ? TestOutcome::Verdict::Stopped : TestOutcome::Verdict::Passed));
    QCOMPARE(asks, stopAtAsk ? stopAtAsk : 47); // 16 sectors, 31 gaps between blocks
    QCOMPARE(outcome.counts.blocksRestored, blocksTested);
    QCOMPARE(reader.updates().size(), 2 * blocksTested);
    QVERIFY(reader.memory() == before);
    // At every ask the last command was the load key, or the read back of a restored
    // block, never something in the middle of a block.
    for (const QString &command : lastCommandAtAsks)
        QVERIFY2(command == "FF82" || command == "FFB0", qPrintable(command));
    const QStringList commands = reader.connected.commands();
    if (blocksTested > 0)
        QVERIFY(commands.at(commands.size() - 2).startsWith("FFD6"));
}

QTEST_GUILESS_MAIN(TestMifareClassicTest)
#include "tst_mifare_classic_test.moc"
