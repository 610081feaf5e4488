#pragma once

#include <PCSC/winscard.h>

class CardReports;

// Legacy DES authentication with key number 0 of whatever is selected on the card
// (application or card level), using the key the cards under test hold. True when the
// card's final answer ends in 91 00, i.e. the card accepted the key.
bool desfireAuthenticate(SCARDHANDLE card, CardReports &reports);
