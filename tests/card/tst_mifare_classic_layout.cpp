#include "card/mifare_classic_layout.h"

#include <QtTest>

using mifare::ClassicType;

Q_DECLARE_METATYPE(mifare::ClassicType)

namespace {
QList<int> range(int from, int to) {
    QList<int> blocks;
    for (int block = from; block <= to; ++block)
        blocks.append(block);
    return blocks;
}
} // namespace

// The sectors and blocks the test goes through.
class TestMifareClassicLayout : public QObject {
    Q_OBJECT

private slots:
    void dataBlocks_data();
    void dataBlocks();
    void everyDataBlockOnce_data();
    void everyDataBlockOnce();
    void sectorsOutside_data();
    void sectorsOutside();
};

void TestMifareClassicLayout::dataBlocks_data() {
    QTest::addColumn<int>("sector");
    QTest::addColumn<int>("firstBlock");
    QTest::addColumn<QList<int>>("blocks");
    QTest::newRow("0, without the manufacturer block") << 0 << 0 << QList<int>{1, 2};
    QTest::newRow("1") << 1 << 4 << QList<int>{4, 5, 6};
    QTest::newRow("15, last of a 1K") << 15 << 60 << QList<int>{60, 61, 62};
    QTest::newRow("31, last small one") << 31 << 124 << QList<int>{124, 125, 126};
    QTest::newRow("32, first big one") << 32 << 128 << range(128, 142);
    QTest::newRow("39, last of a 4K") << 39 << 240 << range(240, 254);
}

void TestMifareClassicLayout::dataBlocks() {
    QFETCH(int, sector);
    QFETCH(int, firstBlock);
    QFETCH(QList<int>, blocks);
    QCOMPARE(mifare::firstBlock(sector), firstBlock);
    QCOMPARE(mifare::dataBlocks(sector), blocks);
}

void TestMifareClassicLayout::everyDataBlockOnce_data() {
    QTest::addColumn<ClassicType>("type");
    QTest::addColumn<int>("sectors");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("lastBlock");
    QTest::newRow("Mini") << ClassicType::Mini << 5 << 14 << 19;
    QTest::newRow("1K") << ClassicType::Classic1K << 16 << 47 << 63;
    QTest::newRow("4K") << ClassicType::Classic4K << 40 << 215 << 255;
}

// No trailer and no block 0 among them, every other block of the card once.
void TestMifareClassicLayout::everyDataBlockOnce() {
    QFETCH(ClassicType, type);
    QFETCH(int, sectors);
    QFETCH(int, blocks);
    QFETCH(int, lastBlock);
    QCOMPARE(mifare::allSectors(type), range(0, sectors - 1));
    QList<int> all;
    for (int sector : mifare::allSectors(type))
        all += mifare::dataBlocks(sector);
    QCOMPARE(all.size(), blocks);
    QList<int> trailers;
    for (int block = 0; block <= lastBlock; ++block)
        if (!all.contains(block))
            trailers.append(block);
    QCOMPARE(trailers.size(), 1 + sectors); // block 0 and one trailer a sector
    QCOMPARE(trailers.front(), 0);
    QCOMPARE(trailers.back(), lastBlock);
    for (int i = 1; i < trailers.size(); ++i)
        QCOMPARE(trailers[i], mifare::firstBlock(i - 1) + (i - 1 < 32 ? 3 : 15));
}

void TestMifareClassicLayout::sectorsOutside_data() {
    QTest::addColumn<ClassicType>("type");
    QTest::addColumn<QList<int>>("sectors");
    QTest::addColumn<QList<int>>("outside");
    QTest::newRow("1K, all its own")
        << ClassicType::Classic1K << QList<int>{0, 5, 15} << QList<int>{};
    QTest::newRow("1K, 16 and 39")
        << ClassicType::Classic1K << QList<int>{3, 16, 39} << QList<int>{16, 39};
    QTest::newRow("4K, 39") << ClassicType::Classic4K << QList<int>{39} << QList<int>{};
    QTest::newRow("4K, 40") << ClassicType::Classic4K << QList<int>{40} << QList<int>{40};
    QTest::newRow("Mini, 5 and -1")
        << ClassicType::Mini << QList<int>{4, 5, -1} << QList<int>{5, -1};
}

void TestMifareClassicLayout::sectorsOutside() {
    QFETCH(ClassicType, type);
    QFETCH(QList<int>, sectors);
    QFETCH(QList<int>, outside);
    QCOMPARE(mifare::sectorsOutside(type, sectors), outside);
}

QTEST_APPLESS_MAIN(TestMifareClassicLayout)
#include "tst_mifare_classic_layout.moc"
