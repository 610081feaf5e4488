#pragma once

#include "virtual_card.h"

#include <string>

namespace vcard {

// ATRs whose protocol offer pcscd reads as T=0 only, T=1 only, or both (through vpcd,
// "both" is the contactless pseudo-ATR of a DESFire EV1).
namespace atrs {
extern const Bytes t0Only;
extern const Bytes t1Only;
extern const Bytes desfireEv1;
} // namespace atrs

// A plain ISO 7816-4 test card:
//   00 A4 04 00 Lc AID [Le]   SELECT by name: 90 00 for the card's AID, else 6A 82
//   00 84 00 00 Le            GET CHALLENGE: Le random bytes (8 when Le is 0), 90 00
//   80 10 P1 P2               answers P1P2 bytes (a counting pattern), then 90 00
// other instructions 6D 00, other classes 6E 00, malformed commands 67 00.
class IsoCard : public VirtualCard {
public:
    explicit IsoCard(Bytes atr = atrs::desfireEv1,
                     Bytes aid = {0xA0, 0x00, 0x00, 0x03, 0x08, 0x51, 0x55});
    Bytes atr() const override { return atr_; }
    Bytes execute(const Bytes &apdu) override;

private:
    Bytes atr_;
    Bytes aid_;
};

} // namespace vcard
