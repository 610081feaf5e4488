#pragma once

#include "card/card_reports.h"

#include <QString>

#include <PCSC/winscard.h>

// For a connected card: reads its status, writes the card state as a console line,
// reports "ATR: <hex>" and then the compiled-in ATR list's descriptions of that ATR.
// When the status cannot be read, writes "Failed SCardStatus", reports the code name
// and gives false; the card stays connected.
bool identifyCard(SCARDHANDLE card, CardReports &reports);

// Reports "ATR: <atrHex>", then the ATR list's descriptions of that ATR, one more line
// in each text. A list that cannot be opened is reported as a pop-up titled "Error".
void reportAtrIdentification(const QString &atrHex, CardReports &reports);
