#pragma once

#include <array>
#include <cstdint>

namespace vcard::desfire {

using Block = std::array<std::uint8_t, 8>;

// An 8-byte DES key (a 2K3DES key with equal halves). The low bit of each byte holds
// the key version, not key material, so keys that differ only there act alike.
using DesKey = std::array<std::uint8_t, 8>;

Block desEncipher(const DesKey &key, const Block &block);
Block desDecipher(const DesKey &key, const Block &block);

Block rotateLeft(const Block &block); // by one byte: b1 .. b7 b0
Block xorBlocks(const Block &a, const Block &b);

} // namespace vcard::desfire
