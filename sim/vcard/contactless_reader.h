#pragma once

#include "virtual_card.h"

#include <cstdint>
#include <optional>

// What a PC/SC contactless reader's firmware answers itself, for any card in its field:
// the pseudo-APDUs of class FF, and their status words.
namespace vcard::reader {

constexpr std::uint8_t pseudoClass = 0xFF;

namespace sw {
inline const Bytes ok{0x90, 0x00};
inline const Bytes noInformation{0x63, 0x00};
inline const Bytes memoryFailure{0x65, 0x81};
inline const Bytes wrongLength{0x67, 0x00};
inline const Bytes securityNotSatisfied{0x69, 0x82};
inline const Bytes authenticationImpossible{0x69, 0x83};
inline const Bytes notAllowed{0x69, 0x86};
inline const Bytes keySlotInvalid{0x69, 0x88};
inline const Bytes keyLengthWrong{0x69, 0x89};
inline const Bytes notSupported{0x6A, 0x81};
inline const Bytes blockMissing{0x6A, 0x82};
inline const Bytes classNotSupported{0x6E, 0x00};
Bytes wrongLe(std::uint8_t right); // 6C XX
} // namespace sw

// A short command APDU taken apart: CLA INS P1 P2 [Lc data] [Le].
struct Apdu {
    std::uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
    Bytes data;
    std::optional<std::uint8_t> le;
};

// Nothing when the bytes are no short APDU (fewer than four, or an Lc that disagrees
// with them).
std::optional<Apdu> parseApdu(const Bytes &bytes);

// The answer to Get Data (FF CA) with the card's UID, or nothing for any other command.
// P1 00 only (the historical bytes of P1 01 are not offered: 6A 81); Le 00 or the UID's
// length, any other 6C with the length.
std::optional<Bytes> answerGetData(const Bytes &bytes, const Bytes &uid);

} // namespace vcard::reader
