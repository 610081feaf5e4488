#pragma once

#include <array>
#include <cstdint>

// The reader's side of the legacy DESFire DES authentication, in which the reader only
// ever deciphers and chains blocks by hand.
namespace desfire {

using DesBlock = std::array<std::uint8_t, 8>;

struct AuthenticationCryptograms {
    DesBlock d1; // dK(RndA)
    DesBlock d2; // dK(D1 xor RndB rotated left by one byte)
};

// RndB is dK(encipheredRndB), the card's challenge.
AuthenticationCryptograms authenticationCryptograms(const DesBlock &key, const DesBlock &rndA,
                                                    const DesBlock &encipheredRndB);

// Whether the cryptogram of the card's last answer deciphers to RndA rotated left by
// one byte: only a card that holds the key can make it.
bool provesKey(const DesBlock &key, const DesBlock &rndA, const DesBlock &cardCryptogram);

} // namespace desfire
