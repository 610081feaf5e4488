#pragma once

#include "virtual_card.h"

#include <string>

namespace vcard {

// "3B 81 80" and "3b8180" both give 3B 81 80; characters other than hex digits are
// skipped. An odd digit count leaves the last digit out.
Bytes fromHex(const std::string &text);
std::string toHex(const Bytes &bytes); // upper case, no separators

} // namespace vcard
