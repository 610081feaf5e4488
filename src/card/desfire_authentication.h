#pragma once

#include "card/card_answer.h"

#include <PCSC/winscard.h>

class CardReports;

// Legacy DES authentication with key number 0 of whatever is selected on the card
// (application or card level), using the key the cards under test hold. Gives the
// answer that ended it: a failed transmission, or the card's final answer, which ends
// in 91 00 when the card accepted the key.
CardAnswer desfireAuthenticate(SCARDHANDLE card, CardReports &reports);
