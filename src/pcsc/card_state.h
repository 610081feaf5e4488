#pragma once

#include <PCSC/wintypes.h>

// The console line for the state flags that SCardStatus reports: the most advanced
// state set wins (a card with a protocol set is also present and powered).
const char *cardStateLine(DWORD state);
