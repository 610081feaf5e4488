#include "protocol_choice.h"

DWORD preferredProtocols(const CardRequests &requests) {
    DWORD protocols = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
    if (requests.desfire)
        protocols = SCARD_PROTOCOL_T1;
    if (requests.apduPending) {
        if (requests.t0)
            protocols = SCARD_PROTOCOL_T0;
        else if (requests.t1)
            protocols = SCARD_PROTOCOL_T1;
    }
    return protocols;
}
