#pragma once

#include "desfire_model.h"
#include "virtual_card.h"

#include <cstdint>
#include <iterator>
#include <optional>
#include <vector>

namespace vcard {

// A file that exists before the first command.
struct DesfireFileSpec {
    std::uint8_t number = 0;
    std::uint8_t communication = 0x00;
    std::uint16_t accessRights = 0xEEEE; // Read << 12 | Write << 8 | ReadWrite << 4 | Change
    std::size_t size = 0;
    Bytes contents; // the first bytes of the file; the rest reads as 00
};

// An application that exists before the first command.
struct DesfireApplicationSpec {
    desfire::Aid aid{}; // transmission order, e.g. {0xC8, 0x28, 0x68}
    std::uint8_t keySettings = 0x0F;
    std::uint8_t keyCountByte = 0x0E;  // 14 DES keys
    std::vector<desfire::DesKey> keys; // keys 0, 1, ...; those left out are all zero
    std::vector<DesfireFileSpec> files;
};

// GCC 12 takes an initializer list in a member initializer for uninitialised memory
// (-Wmaybe-uninitialized); an array copied into the vector says the same without it.
inline Bytes factoryUid() {
    static const std::uint8_t uid[] = {0x04, 0x3A, 0x5C, 0x72, 0x91, 0x2E, 0x80};
    return Bytes(std::begin(uid), std::end(uid));
}

// A card (or an encoder that garbles frames) that never took part in the
// authentication: it answers the two frames of an authentication with these bytes as
// they stand, status word and all, or as it would where one is left out, and takes the
// authentication as done whatever the reader sent.
struct MadeUpAuthentication {
    std::optional<Bytes> challenge;    // the answer to Authenticate
    std::optional<Bytes> confirmation; // the answer to the reader's additional frame
    bool piccLevelOnly = false;        // only the authentications at the card level
};

struct DesfireOptions {
    desfire::DesKey piccMasterKey{}; // factory: 8 zero bytes
    std::uint8_t piccKeySettings = 0x0F;
    std::vector<DesfireApplicationSpec> applications;
    Bytes uid = factoryUid();
    // Fault: this many 00 bytes in front of every status word, so that an answer
    // never fits a receive buffer sized for the status word alone.
    std::size_t statusPadding = 0;
    // Fault: authentications answered with made-up frames.
    std::optional<MadeUpAuthentication> madeUpAuthentication;
};

namespace desfire {
// The stored state the options describe. Throws std::invalid_argument when they
// describe a card that cannot exist.
Picc piccFrom(const DesfireOptions &options);
} // namespace desfire

} // namespace vcard
