#pragma once

#include "virtual_card.h"

#include <array>
#include <cstdint>

// The memory of MIFARE Classic cards and what a PC/SC reader tells the host about them.
namespace vcard::mifare {

enum class CardType { Mini, Classic1K, Classic4K };

constexpr std::size_t blockSize = 16;
using Block = std::array<std::uint8_t, blockSize>;

// Mini: 5 sectors, 1K: 16, 4K: 40; each of 4 blocks, but the 4K's sectors 32 to 39
// hold 16.
int sectorCount(CardType type);
int blockCount(CardType type);
int blocksInSector(int sector);
int firstBlock(int sector);
int trailerBlock(int sector);
int sectorOf(int block);
// The access-bit group of a block of its sector: 0 to 2 for data, trailerGroup for the
// trailer.
constexpr int trailerGroup = 3;
int groupOf(int block);

// The PC/SC storage-card ATR: 3B 8F 80 01, the application identifier of the PC/SC
// workgroup's RID with standard 03 (ISO/IEC 14443-3, type A) and the card's name, TCK.
Bytes storageCardAtr(CardType type);

// The manufacturer block: UID, BCC, SAK, ATQA and maker data.
Block manufacturerBlock(CardType type, const Bytes &uid);

} // namespace vcard::mifare
