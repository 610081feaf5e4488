#include "transmit_failure.h"

#include "card/card_reports.h"
#include "pcsc/pcsc_names.h"

#include <cstdio>

void reportTransmitFailure(LONG result, CardReports &reports) {
    std::printf("Failed SCardTransmit\n");
    std::fflush(stdout);
    reportTransmitFailureName(result, reports);
}

void reportTransmitFailureName(LONG result, CardReports &reports) {
    reports.reportUiMessage(pcscCodeName(result));
}
