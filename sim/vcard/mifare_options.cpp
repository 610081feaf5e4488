#include "mifare_options.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vcard::mifare {

namespace {

[[noreturn]] void invalid(const std::string &what) {
    throw std::invalid_argument("MifareClassicCard: " + what);
}

template <typename Value>
void checkSectors(const std::map<int, Value> &bySector, CardType type, const char *what) {
    for (const auto &entry : bySector)
        if (entry.first < 0 || entry.first >= sectorCount(type))
            invalid(std::string(what) + " for sector " + std::to_string(entry.first) +
                    ", which the card does not have");
}

void checkBlocks(const std::set<int> &blocks, CardType type, const char *what) {
    for (int block : blocks)
        if (block < 0 || block >= blockCount(type))
            invalid(std::string(what) + " " + std::to_string(block) + " is not on the card");
}

template <typename Value>
Value valueOr(const std::map<int, Value> &bySector, int sector, const Value &otherwise) {
    const auto found = bySector.find(sector);
    return found == bySector.end() ? otherwise : found->second;
}

Block trailerOf(const MifareOptions &options, int sector) {
    const KeyBytes keyA = valueOr(options.keyA, sector, transportKey);
    const KeyBytes keyB = valueOr(options.keyB, sector, transportKey);
    const AccessBytes access = valueOr(options.access, sector, encodeAccess(transportConditions));
    Block trailer{};
    std::copy(keyA.begin(), keyA.end(), trailer.begin());
    std::copy(access.begin(), access.end(), trailer.begin() + keySize);
    trailer[keySize + access.size()] = transportGeneralPurposeByte;
    std::copy(keyB.begin(), keyB.end(), trailer.end() - keySize);
    return trailer;
}

} // namespace

std::vector<Block> memoryFrom(const MifareOptions &options) {
    if (options.uid.size() != 4)
        invalid("the UID must have 4 bytes");
    checkSectors(options.keyA, options.type, "key A");
    checkSectors(options.keyB, options.type, "key B");
    checkSectors(options.access, options.type, "access bits");
    checkBlocks(options.silentBlocks, options.type, "silent block");
    checkBlocks(options.refusingBlocks, options.type, "refusing block");

    std::vector<Block> memory(std::size_t(blockCount(options.type)), Block{});
    memory[0] = manufacturerBlock(options.type, options.uid);
    for (int sector = 0; sector < sectorCount(options.type); ++sector)
        memory[std::size_t(trailerBlock(sector))] = trailerOf(options, sector);
    for (const auto &[number, contents] : options.blocks) {
        if (number <= 0 || number >= blockCount(options.type) ||
            number == trailerBlock(sectorOf(number)))
            invalid("block " + std::to_string(number) + " is no data block of the card");
        memory[std::size_t(number)] = contents;
    }
    return memory;
}

} // namespace vcard::mifare
