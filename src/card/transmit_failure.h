#pragma once

#include <PCSC/wintypes.h>

class CardReports;

// A failed SCardTransmit: the console line "Failed SCardTransmit", then the code's
// name for the operator.
void reportTransmitFailure(LONG result, CardReports &reports);

// The operator's half alone, for the one command that reports without the console
// line.
void reportTransmitFailureName(LONG result, CardReports &reports);
