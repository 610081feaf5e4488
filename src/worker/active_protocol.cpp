#include "active_protocol.h"

#include "pcsc/pcsc.h"

std::atomic<const SCARD_IO_REQUEST *> activeProtocolPci{pcsc::t0Pci()};

void selectActiveProtocol(DWORD activeProtocol) {
    if (activeProtocol == SCARD_PROTOCOL_T0)
        activeProtocolPci = pcsc::t0Pci();
    else if (activeProtocol == SCARD_PROTOCOL_T1)
        activeProtocolPci = pcsc::t1Pci();
}
