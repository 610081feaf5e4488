#pragma once

#include "desfire_crypto.h"
#include "virtual_card.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// What a DESFire EV1 8K card stores: the card-level (PICC) master key and settings,
// its applications, their keys and standard data files, and the memory they take.
namespace vcard::desfire {

// Application identifier in transmission order (least significant byte first).
using Aid = std::array<std::uint8_t, 3>;
inline constexpr Aid piccLevel{0x00, 0x00, 0x00};

inline constexpr std::size_t maxApplications = 28;
inline constexpr int maxKeysPerApplication = 14;
inline constexpr std::uint8_t maxFileNumber = 0x1F; // 32 files per application

// Access-right nibble values; 0..D name a key of the application.
inline constexpr std::uint8_t freeAccess = 0xE;
inline constexpr std::uint8_t deniedAccess = 0xF;

struct StdDataFile {
    std::uint8_t communication = 0x00; // 00 plain, 01 MACed, 03 enciphered
    // As a 16-bit value: Read << 12 | Write << 8 | ReadWrite << 4 | Change.
    std::uint16_t accessRights = 0xEEEE;
    Bytes data; // its size is the file size

    std::uint8_t readKey() const { return accessRights >> 12 & 0xF; }
    std::uint8_t writeKey() const { return accessRights >> 8 & 0xF; }
    std::uint8_t readWriteKey() const { return accessRights >> 4 & 0xF; }
};

struct Application {
    Aid aid{};
    std::uint8_t keySettings = 0x0F;
    // Bits 3-0 the number of keys, bits 7-6 the key type (00 DES/2K3DES), as
    // GetKeySettings reports it.
    std::uint8_t keyCountByte = 0x01;
    std::vector<DesKey> keys;
    std::map<std::uint8_t, StdDataFile> files;

    int keyCount() const { return keyCountByte & 0x0F; }
    bool desKeys() const { return (keyCountByte & 0xC0) == 0x00; }
};

// Memory: the card hands out 32-byte blocks. The real figures of the chip's own
// bookkeeping are not published; these are chosen so that an empty card reports a
// little under 8192 bytes and the overheads grow with what is created.
namespace memory {
inline constexpr std::size_t blockSize = 32;
inline constexpr std::size_t capacity = 248 * blockSize; // FreeMemory of an empty card: 7936
inline constexpr std::size_t applicationBlocks = 2;      // directory entry and settings
inline constexpr std::size_t keysPerBlock = 2;           // each key slot with version: 16 bytes

std::size_t applicationCost(int keyCount); // bytes, keys included
std::size_t fileCost(std::size_t fileSize);
} // namespace memory

struct Picc {
    DesKey masterKey{};
    std::uint8_t keySettings = 0x0F;
    std::vector<Application> applications; // in order of creation
    // What deleted applications took: a real card gives it back only at FormatPICC.
    std::size_t deletedMemory = 0;

    Application *find(const Aid &aid);
    const Application *find(const Aid &aid) const;
    // Deletes the application; its memory stays used until the card is formatted.
    void remove(const Aid &aid);
    void format(); // no applications, all memory free
    std::size_t usedMemory() const;
    std::size_t freeMemory() const; // never below 0
};

} // namespace vcard::desfire
