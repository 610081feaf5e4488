#include "mifare_classic_layout.h"

namespace mifare {

namespace {
constexpr int smallSectorBlocks = 4;
constexpr int bigSectorBlocks = 16;
constexpr int firstBigSector = 32;
} // namespace

QString typeName(ClassicType type) {
    switch (type) {
    case ClassicType::Mini:
        return QStringLiteral("MIFARE Mini");
    case ClassicType::Classic1K:
        return QStringLiteral("MIFARE Classic 1K");
    case ClassicType::Classic4K:
        return QStringLiteral("MIFARE Classic 4K");
    }
    return {};
}

int sectorCount(ClassicType type) {
    switch (type) {
    case ClassicType::Mini:
        return 5;
    case ClassicType::Classic1K:
        return 16;
    case ClassicType::Classic4K:
        return 40;
    }
    return 0;
}

QList<int> allSectors(ClassicType type) {
    QList<int> sectors;
    for (int sector = 0; sector < sectorCount(type); ++sector)
        sectors.append(sector);
    return sectors;
}

int firstBlock(int sector) {
    if (sector < firstBigSector)
        return sector * smallSectorBlocks;
    return firstBigSector * smallSectorBlocks + (sector - firstBigSector) * bigSectorBlocks;
}

QList<int> dataBlocks(int sector) {
    const int blocks = sector < firstBigSector ? smallSectorBlocks : bigSectorBlocks;
    const int trailer = firstBlock(sector) + blocks - 1;
    QList<int> data;
    for (int block = firstBlock(sector); block < trailer; ++block)
        if (block != 0)
            data.append(block);
    return data;
}

QList<int> sectorsOutside(ClassicType type, const QList<int> &sectors) {
    QList<int> outside;
    for (int sector : sectors)
        if (sector < 0 || sector >= sectorCount(type))
            outside.append(sector);
    return outside;
}

} // namespace mifare
