#pragma once

#include "mifare_layout.h"

#include <array>
#include <cstdint>
#include <optional>

// The access conditions of a MIFARE Classic sector: three bits C1 C2 C3 for each of the
// four groups (the data blocks 0, 1, 2 of a 4-block sector, or the three runs of five
// blocks of a 16-block one, and the trailer), stored in trailer bytes 6 to 8 beside
// their inverses.
namespace vcard::mifare {

using AccessBytes = std::array<std::uint8_t, 3>;

// One group's condition as the number C1 C2 C3 reads in binary: 0b001 is C3 alone.
using Condition = std::uint8_t;
using Conditions = std::array<Condition, 4>; // groups 0, 1, 2, then the trailer

AccessBytes encodeAccess(const Conditions &conditions);
// Nothing when a bit equals its stored inverse: such a sector cannot be used.
std::optional<Conditions> decodeAccess(const AccessBytes &bytes);

// The factory trailer's: every data block read and written with key A (000), the
// trailer row 001 (key B readable, so no key). FF 07 80.
constexpr Conditions transportConditions{0b000, 0b000, 0b000, 0b001};

enum class KeyType : std::uint8_t { A, B };
constexpr std::size_t keySize = 6;
using KeyBytes = std::array<std::uint8_t, keySize>;

// Which keys a right needs: none of them, either, or one.
struct Keys {
    bool a = false;
    bool b = false;
    bool allows(KeyType key) const { return key == KeyType::A ? a : b; }
};

struct DataRights {
    Keys read;
    Keys write;
};

struct TrailerRights {
    Keys keyAWrite; // key A is never readable
    Keys bitsRead;  // the access bits and the general-purpose byte 9
    Keys bitsWrite;
    Keys keyBRead;
    Keys keyBWrite;
};

DataRights dataRights(Condition condition);
TrailerRights trailerRights(Condition trailerCondition);

// Where the trailer lets key B be read, key B is data: an authentication with it
// gives no access at all.
bool keyBIsData(Condition trailerCondition);

} // namespace vcard::mifare
