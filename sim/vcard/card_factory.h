#pragma once

#include "virtual_card.h"

#include <memory>
#include <string>

namespace vcard {

// Cards by name, for the command-line program and the simulated printer:
//   "desfire": a factory-default DesfireCard (empty, all-zero card master key)
//   "iso"  (or "iso-t0", "iso-t1"): IsoCard with the DESFire EV1, T=0-only or
//          T=1-only ATR
// Returns null for an unknown name.
std::shared_ptr<VirtualCard> makeCard(const std::string &kind);

} // namespace vcard
