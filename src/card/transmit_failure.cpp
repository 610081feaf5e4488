#include "transmit_failure.h"

#include "card/card_reports.h"
#include "pcsc/pcsc_names.h"

void reportTransmitFailure(LONG result, CardReports &reports) {
    reports.reportConsoleLine(QStringLiteral("Failed SCardTransmit"));
    reportTransmitFailureName(result, reports);
}

void reportTransmitFailureName(LONG result, CardReports &reports) {
    reports.reportUiMessage(pcscCodeName(result));
}
