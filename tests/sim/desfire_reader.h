#pragma once

#include "desfire_card.h"

#include <cstdint>
#include <vector>

// The reader's side of a DESFire conversation, written independently of the card:
// its DES runs through OpenSSL's EVP two-key triple DES with equal halves.
namespace desfirereader {

using vcard::Bytes;
using vcard::desfire::Aid;
using vcard::desfire::Block;
using vcard::desfire::DesKey;

inline constexpr Aid testAid{0xC8, 0x28, 0x68};
inline constexpr DesKey zeroKey{};
inline constexpr Block fixedRndA{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8};

// 90 INS 00 00 [Lc data] 00
Bytes wrap(std::uint8_t command, const Bytes &data = {});
Bytes aidBytes(const Aid &aid);

// The native status after 91, or -1 when the answer does not end in 91 xx.
int nativeStatus(const Bytes &answer);
Bytes answerData(const Bytes &answer); // without the status word

Block decipher(const DesKey &key, const Block &block);
Block encipher(const DesKey &key, const Block &block);

struct Authentication {
    int firstStatus = -1;
    int secondStatus = -1;
    bool cardProven = false; // the card's last answer was eK(rol(RndA))
};

// The legacy exchange as a reader does it (only ever deciphering); with
// swapDirections the reader enciphers instead, as a faulty implementation would.
Authentication authenticate(vcard::DesfireCard &card, std::uint8_t keyNumber, const DesKey &key,
                            bool swapDirections = false);

// Sends a command and gives the native status.
int run(vcard::DesfireCard &card, std::uint8_t command, const Bytes &data = {});
std::vector<int> runAll(vcard::DesfireCard &card, const std::vector<Bytes> &apdus);

// A card holding the test application (settings 0F, 14 zero DES keys) with these files.
vcard::DesfireOptions withTestApplication(std::vector<vcard::DesfireFileSpec> files = {});

// The stress test's write: 142 APDUs carrying the 7500-byte pattern to file 2.
Bytes stressPattern();
std::vector<Bytes> stressWriteFrames();

} // namespace desfirereader
