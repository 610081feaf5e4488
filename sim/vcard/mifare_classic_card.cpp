#include "mifare_classic_card.h"

#include <algorithm>

namespace vcard {

using namespace mifare;
using namespace reader;

namespace {

namespace instruction {
constexpr std::uint8_t loadKeys = 0x82;
constexpr std::uint8_t generalAuthenticate = 0x86;
constexpr std::uint8_t readBinary = 0xB0;
constexpr std::uint8_t updateBinary = 0xD6;
} // namespace instruction

constexpr std::uint8_t volatileMemory = 0x00;
constexpr std::uint8_t authenticateVersion = 0x01;
constexpr std::uint8_t keyTypeA = 0x60;
constexpr std::uint8_t keyTypeB = 0x61;
constexpr std::size_t authenticateDataSize = 5;
constexpr std::uint8_t wholeBlock = 0x00;

// Trailer parts: key A in bytes 0-5, the access bits and byte 9 in 6-9, key B in 10-15.
constexpr std::size_t bitsStart = keySize;
constexpr std::size_t keyBStart = blockSize - keySize;

bool sameRange(const Block &stored, const Bytes &data, std::size_t from, std::size_t to) {
    return std::equal(stored.begin() + long(from), stored.begin() + long(to),
                      data.begin() + long(from));
}

Bytes withOk(const Block &block) {
    Bytes answer(block.begin(), block.end());
    answer.insert(answer.end(), sw::ok.begin(), sw::ok.end());
    return answer;
}

} // namespace

MifareClassicCard::MifareClassicCard(MifareOptions options)
    : options_(std::move(options)), memory_(memoryFrom(options_)) {}

Bytes MifareClassicCard::atr() const {
    return storageCardAtr(options_.type);
}

void MifareClassicCard::powerOn() {
    authenticated_.reset();
}

void MifareClassicCard::powerOff() {
    authenticated_.reset();
}

void MifareClassicCard::reset() {
    authenticated_.reset();
}

std::optional<int> MifareClassicCard::authenticatedSector() const {
    if (!authenticated_)
        return std::nullopt;
    return authenticated_->sector;
}

Bytes MifareClassicCard::execute(const Bytes &bytes) {
    if (const std::optional<Bytes> uid = answerGetData(bytes, options_.uid))
        return *uid;
    const std::optional<Apdu> apdu = parseApdu(bytes);
    if (!apdu)
        return sw::wrongLength;
    if (apdu->cla != pseudoClass)
        return sw::classNotSupported;
    switch (apdu->ins) {
    case instruction::loadKeys:
        return loadKeys(*apdu);
    case instruction::generalAuthenticate:
        return authenticate(*apdu);
    case instruction::readBinary:
        return readBinary(*apdu);
    case instruction::updateBinary:
        return updateBinary(*apdu);
    default:
        return sw::notSupported;
    }
}

Bytes MifareClassicCard::loadKeys(const Apdu &apdu) {
    if (apdu.data.empty())
        return sw::wrongLength;
    if (apdu.p1 != volatileMemory)
        return sw::notSupported;
    if (apdu.p2 >= keySlots_.size())
        return sw::keySlotInvalid;
    if (apdu.data.size() != keySize)
        return sw::keyLengthWrong;
    KeyBytes key;
    std::copy(apdu.data.begin(), apdu.data.end(), key.begin());
    keySlots_[apdu.p2] = key;
    return sw::ok;
}

Bytes MifareClassicCard::authenticate(const Apdu &apdu) {
    authenticated_.reset();
    if (apdu.data.size() != authenticateDataSize)
        return sw::wrongLength;
    const std::uint8_t version = apdu.data[0], msb = apdu.data[1], lsb = apdu.data[2],
                       keyType = apdu.data[3], slot = apdu.data[4];
    if (apdu.p1 != 0x00 || apdu.p2 != 0x00 || version != authenticateVersion ||
        (keyType != keyTypeA && keyType != keyTypeB))
        return sw::notSupported;
    if (!onCard(msb, lsb))
        return sw::blockMissing;
    if (slot >= keySlots_.size() || !keySlots_[slot])
        return sw::keySlotInvalid;
    const int sector = sectorOf(lsb);
    if (!sectorConditions(sector))
        return sw::authenticationImpossible;
    const Block &trailer = memory_[std::size_t(trailerBlock(sector))];
    const std::size_t keyStart = keyType == keyTypeA ? 0 : keyBStart;
    if (!std::equal(keySlots_[slot]->begin(), keySlots_[slot]->end(),
                    trailer.begin() + long(keyStart)))
        return sw::noInformation;
    authenticated_ = Authentication{sector, keyType == keyTypeA ? KeyType::A : KeyType::B};
    return sw::ok;
}

Bytes MifareClassicCard::readBinary(const Apdu &apdu) {
    if (!apdu.data.empty() || !apdu.le)
        return sw::wrongLength;
    if (!onCard(apdu.p1, apdu.p2))
        return sw::blockMissing;
    if (*apdu.le != wholeBlock && *apdu.le != blockSize)
        return sw::wrongLe(blockSize);
    const int block = apdu.p2;
    const std::optional<Conditions> conditions = grantedConditions(block);
    if (!conditions)
        return sw::securityNotSatisfied;
    if (groupOf(block) == trailerGroup)
        return readTrailer(block, *conditions);
    if (!dataRights((*conditions)[std::size_t(groupOf(block))]).read.allows(authenticated_->key))
        return sw::securityNotSatisfied;
    return withOk(memory_[std::size_t(block)]);
}

Bytes MifareClassicCard::updateBinary(const Apdu &apdu) {
    if (apdu.data.size() != blockSize)
        return sw::wrongLength;
    if (!onCard(apdu.p1, apdu.p2))
        return sw::blockMissing;
    const int block = apdu.p2;
    if (block == 0)
        return sw::notAllowed;
    const std::optional<Conditions> conditions = grantedConditions(block);
    if (!conditions)
        return sw::securityNotSatisfied;
    if (groupOf(block) == trailerGroup)
        return writeTrailer(block, apdu.data, *conditions);
    if (!dataRights((*conditions)[std::size_t(groupOf(block))]).write.allows(authenticated_->key))
        return sw::securityNotSatisfied;
    return store(block, apdu.data);
}

Bytes MifareClassicCard::readTrailer(int block, const Conditions &conditions) const {
    const TrailerRights rights = trailerRights(conditions[trailerGroup]);
    const KeyType key = authenticated_->key;
    if (!rights.bitsRead.allows(key))
        return sw::securityNotSatisfied;
    Block shown = memory_[std::size_t(block)];
    std::fill(shown.begin(), shown.begin() + keySize, 0x00);
    if (!rights.keyBRead.allows(key))
        std::fill(shown.begin() + keyBStart, shown.end(), 0x00);
    return withOk(shown);
}

Bytes MifareClassicCard::writeTrailer(int block, const Bytes &data, const Conditions &conditions) {
    const TrailerRights rights = trailerRights(conditions[trailerGroup]);
    const KeyType key = authenticated_->key;
    const Block &stored = memory_[std::size_t(block)];
    const bool keyAKept = sameRange(stored, data, 0, bitsStart);
    const bool bitsKept = sameRange(stored, data, bitsStart, keyBStart);
    const bool keyBKept = sameRange(stored, data, keyBStart, blockSize);
    if ((!keyAKept && !rights.keyAWrite.allows(key)) ||
        (!bitsKept && !rights.bitsWrite.allows(key)) ||
        (!keyBKept && !rights.keyBWrite.allows(key)))
        return sw::securityNotSatisfied;
    return store(block, data);
}

// Where the injected faults act: after every check, where the card's memory would.
Bytes MifareClassicCard::store(int block, const Bytes &data) {
    if (options_.refusingBlocks.count(block))
        return sw::memoryFailure;
    if (!options_.silentBlocks.count(block))
        std::copy(data.begin(), data.end(), memory_[std::size_t(block)].begin());
    return sw::ok;
}

std::optional<Conditions> MifareClassicCard::sectorConditions(int sector) const {
    const Block &trailer = memory_[std::size_t(trailerBlock(sector))];
    return decodeAccess({trailer[bitsStart], trailer[bitsStart + 1], trailer[bitsStart + 2]});
}

std::optional<Conditions> MifareClassicCard::grantedConditions(int block) const {
    if (!authenticated_ || authenticated_->sector != sectorOf(block))
        return std::nullopt;
    const std::optional<Conditions> conditions = sectorConditions(authenticated_->sector);
    if (!conditions ||
        (authenticated_->key == KeyType::B && keyBIsData((*conditions)[trailerGroup])))
        return std::nullopt;
    return conditions;
}

bool MifareClassicCard::onCard(std::uint8_t msb, std::uint8_t lsb) const {
    return msb == 0x00 && lsb < memory_.size();
}

} // namespace vcard
