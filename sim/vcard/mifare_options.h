#pragma once

#include "mifare_access.h"
#include "mifare_layout.h"
#include "virtual_card.h"

#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace vcard {

// GCC 12 takes an initializer list in a member initializer for uninitialised memory
// (-Wmaybe-uninitialized); an array copied into the vector says the same without it.
inline Bytes classicFactoryUid() {
    static const std::uint8_t uid[] = {0x5A, 0xC3, 0x19, 0x7E};
    return Bytes(std::begin(uid), std::end(uid));
}

inline constexpr mifare::KeyBytes transportKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr std::uint8_t transportGeneralPurposeByte = 0x69;

// A MIFARE Classic card as it is before the first command. Sectors and blocks left
// out are as the factory leaves them: keys FF FF FF FF FF FF, access bits FF 07 80,
// data blocks all zero.
struct MifareOptions {
    mifare::CardType type = mifare::CardType::Classic1K;
    Bytes uid = classicFactoryUid();      // 4 bytes
    std::map<int, mifare::KeyBytes> keyA; // by sector
    std::map<int, mifare::KeyBytes> keyB;
    std::map<int, mifare::AccessBytes> access; // trailer bytes 6 to 8, malformed ones too
    std::map<int, mifare::Block> blocks;       // data blocks, by block number
    // Faults: blocks whose writes answer 90 00 and change nothing, and blocks whose
    // writes answer 65 81 (memory failure) and change nothing.
    std::set<int> silentBlocks;
    std::set<int> refusingBlocks;
};

namespace mifare {
// Every block the options describe, trailers included. Throws std::invalid_argument
// when they describe a card that cannot exist (a UID not of 4 bytes, sectors or
// blocks not on the card, contents for block 0 or a trailer).
std::vector<Block> memoryFrom(const MifareOptions &options);
} // namespace mifare

} // namespace vcard
