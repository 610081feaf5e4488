#pragma once

#include <PCSC/winscard.h>

struct CardRequests {
    bool desfire = false;
    bool apduPending = false;
    bool t0 = false;
    bool t1 = false;
};

// The protocols offered when connecting to a found card: T=0 or T=1, T=1 alone for
// the DESFire exercise, and for a pending APDU the operator's choice, T=0 winning
// when both were asked for.
DWORD preferredProtocols(const CardRequests &requests);
