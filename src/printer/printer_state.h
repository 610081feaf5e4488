#pragma once

#include <cstdint>

// Process-wide printer session state; GUI thread only.
extern std::uint32_t sessionHandle; // the SDK session, 0 when none is open
extern std::uint8_t printerType;    // from the last successful open; kept after a close
