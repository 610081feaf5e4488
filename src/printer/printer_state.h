#pragma once

#include <cstdint>

// Process-wide printer session state, used from one thread: the window's GUI thread, or
// the thread of the command-line program's run.
extern std::uint32_t sessionHandle; // the SDK session, 0 when none is open
extern std::uint8_t printerType;    // from the last successful open; kept after a close
