#include "mifare_layout.h"

namespace vcard::mifare {

namespace {

constexpr int smallSectorBlocks = 4;
constexpr int bigSectorBlocks = 16;
constexpr int firstBigSector = 32; // 4K only
constexpr int blocksBeforeBigSectors = firstBigSector * smallSectorBlocks;
constexpr int blocksPerGroupInBigSector = 5;

constexpr std::uint8_t pcscWorkgroupRid[] = {0xA0, 0x00, 0x00, 0x03, 0x06};
constexpr std::uint8_t iso14443aPart3 = 0x03;
constexpr std::uint8_t categoryIndicator = 0x80; // status in a TLV of its own, if any
constexpr std::uint8_t applicationIdentifierTag = 0x4F;
constexpr int reservedBytes = 4;

std::uint16_t cardName(CardType type) {
    switch (type) {
    case CardType::Mini:
        return 0x0026;
    case CardType::Classic1K:
        return 0x0001;
    case CardType::Classic4K:
        return 0x0002;
    }
    return 0;
}

// Select acknowledge and the answer to request (least significant byte first) of each.
std::uint8_t sak(CardType type) {
    switch (type) {
    case CardType::Mini:
        return 0x09;
    case CardType::Classic1K:
        return 0x08;
    case CardType::Classic4K:
        return 0x18;
    }
    return 0;
}

std::array<std::uint8_t, 2> atqa(CardType type) {
    return type == CardType::Classic4K ? std::array<std::uint8_t, 2>{0x02, 0x00}
                                       : std::array<std::uint8_t, 2>{0x04, 0x00};
}

} // namespace

int sectorCount(CardType type) {
    switch (type) {
    case CardType::Mini:
        return 5;
    case CardType::Classic1K:
        return 16;
    case CardType::Classic4K:
        return 40;
    }
    return 0;
}

int blockCount(CardType type) {
    const int sectors = sectorCount(type);
    return firstBlock(sectors - 1) + blocksInSector(sectors - 1);
}

int blocksInSector(int sector) {
    return sector < firstBigSector ? smallSectorBlocks : bigSectorBlocks;
}

int firstBlock(int sector) {
    if (sector < firstBigSector)
        return sector * smallSectorBlocks;
    return blocksBeforeBigSectors + (sector - firstBigSector) * bigSectorBlocks;
}

int trailerBlock(int sector) {
    return firstBlock(sector) + blocksInSector(sector) - 1;
}

int sectorOf(int block) {
    if (block < blocksBeforeBigSectors)
        return block / smallSectorBlocks;
    return firstBigSector + (block - blocksBeforeBigSectors) / bigSectorBlocks;
}

int groupOf(int block) {
    const int sector = sectorOf(block);
    const int index = block - firstBlock(sector);
    if (block == trailerBlock(sector))
        return trailerGroup;
    return blocksInSector(sector) == smallSectorBlocks ? index : index / blocksPerGroupInBigSector;
}

Bytes storageCardAtr(CardType type) {
    const Bytes identifier{pcscWorkgroupRid[0],
                           pcscWorkgroupRid[1],
                           pcscWorkgroupRid[2],
                           pcscWorkgroupRid[3],
                           pcscWorkgroupRid[4],
                           iso14443aPart3,
                           std::uint8_t(cardName(type) >> 8),
                           std::uint8_t(cardName(type))};
    const std::size_t historicalCount = 3 + identifier.size() + reservedBytes;
    // T0: TD1 follows, with the count of historical bytes; TD1: T=0, TD2 follows;
    // TD2: T=1.
    Bytes atr;
    atr.reserve(4 + historicalCount + 1);
    for (std::uint8_t byte :
         {std::uint8_t(0x3B), std::uint8_t(0x80 | historicalCount), std::uint8_t(0x80),
          std::uint8_t(0x01), categoryIndicator, applicationIdentifierTag,
          std::uint8_t(identifier.size() + reservedBytes)})
        atr.push_back(byte);
    for (std::uint8_t byte : identifier)
        atr.push_back(byte);
    atr.resize(atr.size() + reservedBytes, 0x00);
    std::uint8_t tck = 0;
    for (std::size_t i = 1; i < atr.size(); ++i)
        tck ^= atr[i];
    atr.push_back(tck);
    return atr;
}

Block manufacturerBlock(CardType type, const Bytes &uid) {
    Block block{};
    std::uint8_t bcc = 0;
    for (std::size_t i = 0; i < uid.size() && i < 4; ++i) {
        block[i] = uid[i];
        bcc ^= uid[i];
    }
    block[4] = bcc;
    block[5] = sak(type);
    block[6] = atqa(type)[0];
    block[7] = atqa(type)[1];
    const std::uint8_t makerData[] = {0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69};
    std::copy(std::begin(makerData), std::end(makerData), block.begin() + 8);
    return block;
}

} // namespace vcard::mifare
