#pragma once

#include "mifare_options.h"

#include <string>

namespace vcard {

// The vcard program's options for a MIFARE Classic card, applied to options whose type
// is set already (a key or access bits without "SECTOR:" go to every sector of it):
//   --uid HEX                 4 bytes
//   --key-a [SECTOR:]HEX      6 bytes    --key-b [SECTOR:]HEX
//   --access [SECTOR:]HEX     trailer bytes 6 to 8, e.g. 8F0787 (data read-only)
//   --block BLOCK:HEX         16 bytes of a data block
//   --fault-silent BLOCK      writes answer 90 00 and change nothing
//   --fault-refuse BLOCK      writes answer 65 81 and change nothing
// False when the option is none of these or its value does not fit.
bool isMifareOption(const std::string &option);
bool applyMifareOption(const std::string &option, const std::string &value, MifareOptions *options);

} // namespace vcard
