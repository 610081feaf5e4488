#pragma once

#include <PCSC/winscard.h>

class CardReports;

// The DESFire stress test: creates a test application with a 7500-byte file, writes
// the file, authenticates, deletes the application and formats the card, then resets
// and disconnects the card. "DESFire Test Passed" only when every step answered as
// expected; no verdict when the delete or the format cannot be transmitted.
void runDesfireExercise(SCARDHANDLE card, CardReports &reports);
