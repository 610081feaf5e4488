#pragma once

#include "mifare_layout.h"
#include "virtual_card.h"

#include <memory>
#include <optional>
#include <string>

namespace vcard {

// Cards by name, for the command-line program and the simulated printer:
//   "desfire": a factory-default DesfireCard (empty, all-zero card master key)
//   "iso"  (or "iso-t0", "iso-t1"): IsoCard with the DESFire EV1, T=0-only or
//          T=1-only ATR
//   "mifare-mini", "mifare-1k", "mifare-4k": a factory-default MifareClassicCard
// Returns null for an unknown name.
std::shared_ptr<VirtualCard> makeCard(const std::string &kind);

// The MIFARE Classic type that a "mifare-..." kind names.
std::optional<mifare::CardType> mifareCardType(const std::string &kind);

} // namespace vcard
