#pragma once

#include "card/card_reports.h"

#include <QByteArray>

#include <PCSC/winscard.h>

// For a connected card: reads its status, writes the card state as a console line,
// reports "ATR: <hex>" and then the ATR list's descriptions of that ATR.
// When the status cannot be read, writes "Failed SCardStatus", reports the code name
// and gives false; the card stays connected.
bool identifyCard(SCARDHANDLE card, CardReports &reports);

// Reports "ATR: <atrHex>", then the descriptions of that ATR in the first ATR list that
// can be read (the user's, the system's, the compiled-in one; atr_list_sources.h), one
// more line in each text. Only when none can be read, a pop-up titled "Error" says why.
void reportAtrIdentification(const QByteArray &atr, CardReports &reports);
