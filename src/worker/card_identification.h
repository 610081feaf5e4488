#pragma once

#include "card/card_reports.h"

#include <PCSC/winscard.h>

// For a connected card: reads its status, writes the card state as a console line,
// reports "ATR: <hex>" and then the compiled-in ATR list's descriptions of that ATR.
// When the status cannot be read, writes "Failed SCardStatus", reports the code name
// and gives false; the card stays connected.
bool identifyCard(SCARDHANDLE card, CardReports &reports);
