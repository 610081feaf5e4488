#pragma once

#include "contactless_reader.h"
#include "mifare_options.h"
#include "virtual_card.h"

#include <array>
#include <optional>
#include <vector>

namespace vcard {

// A MIFARE Classic Mini, 1K or 4K card together with the PC/SC reader's firmware that
// speaks to it, as the host sees them: the storage-card ATR and the pseudo-APDUs of
// class FF.
//   FF CA 00 00 Le                      the UID (see reader::answerGetData)
//   FF 82 00 SLOT 06 key                load a key into volatile slot 00 or 01
//   FF 86 00 00 05 01 00 BLOCK KT SLOT  authenticate the block's sector, KT 60 key A or
//                                       61 key B, with the key in the slot
//   FF B0 00 BLOCK Le                   read a block (Le 10, or 00 for a whole block)
//   FF D6 00 BLOCK 10 data              write a block
// Sector trailers' keys and access bits are enforced from the bits stored in them.
// One sector is authenticated at a time: every authentication, whatever it answers,
// ends the one before; so do power and reset. Loaded keys are the reader's and stay.
//
// Refusals: 67 00 an APDU of the wrong length; 6E 00 a class other than FF; 6A 81 an
// instruction, P1, version or key type the reader does not offer (it has no
// non-volatile key memory); 6A 82 a block the card does not have; 69 88 a key slot out
// of range or never loaded; 69 89 a key not of 6 bytes; 6C 10 a read's Le other than
// 00 or 10; 63 00 a key the sector does not hold; 69 83 a sector whose access bits are
// malformed; 69 82 a block outside the authenticated sector or one that the access
// conditions keep from the key; 69 86 a write to block 0.
//
// Reading a trailer gives key A as zeros, and key B as zeros unless the trailer lets
// it be read. A trailer write is taken when the key may write every part it changes
// (key A, access bits with byte 9, key B); malformed access bits are written as given
// and lock the sector, as on a real card.
class MifareClassicCard : public VirtualCard {
public:
    // Throws std::invalid_argument for options that describe no card (mifare::memoryFrom).
    explicit MifareClassicCard(MifareOptions options = {});

    Bytes atr() const override;
    void powerOn() override;
    void powerOff() override;
    void reset() override;
    Bytes execute(const Bytes &apdu) override;

    // Inspection, for tests; none of these changes the card.
    mifare::CardType type() const { return options_.type; }
    int blockCount() const { return int(memory_.size()); }
    mifare::Block block(int number) const { return memory_.at(std::size_t(number)); }
    std::optional<int> authenticatedSector() const;

private:
    struct Authentication {
        int sector;
        mifare::KeyType key;
    };

    Bytes loadKeys(const reader::Apdu &apdu);
    Bytes authenticate(const reader::Apdu &apdu);
    Bytes readBinary(const reader::Apdu &apdu);
    Bytes updateBinary(const reader::Apdu &apdu);
    Bytes readTrailer(int block, const mifare::Conditions &conditions) const;
    Bytes writeTrailer(int block, const Bytes &data, const mifare::Conditions &conditions);
    Bytes store(int block, const Bytes &data);

    std::optional<mifare::Conditions> sectorConditions(int sector) const;
    // The sector's conditions when the current authentication gives the key any access
    // to the block; otherwise nothing.
    std::optional<mifare::Conditions> grantedConditions(int block) const;
    bool onCard(std::uint8_t msb, std::uint8_t lsb) const;

    MifareOptions options_;
    std::vector<mifare::Block> memory_;
    std::array<std::optional<mifare::KeyBytes>, 2> keySlots_;
    std::optional<Authentication> authenticated_;
};

} // namespace vcard
