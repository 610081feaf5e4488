#pragma once

#include "desfire_crypto.h"
#include "desfire_model.h"
#include "virtual_card.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Native command codes, statuses and byte helpers shared by the card's command files.
namespace vcard::desfire {

namespace status {
constexpr std::uint8_t ok = 0x00;
constexpr std::uint8_t noChanges = 0x0C;
constexpr std::uint8_t outOfMemory = 0x0E;
constexpr std::uint8_t commandNotSupported = 0x1C;
constexpr std::uint8_t noSuchKey = 0x40;
constexpr std::uint8_t lengthError = 0x7E;
constexpr std::uint8_t permissionDenied = 0x9D;
constexpr std::uint8_t parameterError = 0x9E;
constexpr std::uint8_t applicationNotFound = 0xA0;
constexpr std::uint8_t authenticationError = 0xAE;
constexpr std::uint8_t additionalFrame = 0xAF;
constexpr std::uint8_t boundaryError = 0xBE;
constexpr std::uint8_t commandAborted = 0xCA;
constexpr std::uint8_t countError = 0xCE;
constexpr std::uint8_t duplicateError = 0xDE;
constexpr std::uint8_t fileNotFound = 0xF0;
} // namespace status

namespace command {
constexpr std::uint8_t authenticate = 0x0A;
constexpr std::uint8_t additionalFrame = 0xAF;
constexpr std::uint8_t selectApplication = 0x5A;
constexpr std::uint8_t createApplication = 0xCA;
constexpr std::uint8_t deleteApplication = 0xDA;
constexpr std::uint8_t formatPicc = 0xFC;
constexpr std::uint8_t getApplicationIds = 0x6A;
constexpr std::uint8_t getFileIds = 0x6F;
constexpr std::uint8_t getKeySettings = 0x45;
constexpr std::uint8_t freeMemory = 0x6E;
constexpr std::uint8_t getVersion = 0x60;
constexpr std::uint8_t createStdDataFile = 0xCD;
constexpr std::uint8_t writeData = 0x3D;
constexpr std::uint8_t readData = 0xBD;
} // namespace command

// An EV1 frame holds 64 bytes, 60 of them for the native command code and its data.
constexpr std::size_t maxFrameData = 59;
constexpr std::size_t maxAidsPerFrame = maxFrameData / 3;

inline Block blockFrom(const Bytes &data, std::size_t at) {
    Block block;
    std::copy_n(data.begin() + static_cast<long>(at), block.size(), block.begin());
    return block;
}

inline Bytes bytesOf(const Block &block) {
    return Bytes(block.begin(), block.end());
}

inline Aid aidFrom(const Bytes &data) {
    return {data[0], data[1], data[2]};
}

inline std::size_t threeByteValue(const Bytes &data, std::size_t at) {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16;
}

} // namespace vcard::desfire
