#pragma once

#include <atomic>

#include <PCSC/winscard.h>

// The protocol control information of the card connection in use, handed to every
// transmission as its send protocol. One value for the whole process, shared by all
// worker threads (a retired worker may still run beside the current one); it points
// at T=0's from start.
extern std::atomic<const SCARD_IO_REQUEST *> activeProtocolPci;

// After a connection: T=0 and T=1 select their information, any other protocol leaves
// activeProtocolPci as it is.
void selectActiveProtocol(DWORD activeProtocol);
