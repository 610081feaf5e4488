#include "card_identification.h"

#include "atr_list.h"
#include "atr_list_sources.h"
#include "compiled_resources.h"
#include "console_line.h"
#include "pcsc/card_state.h"
#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"

#include <PCSC/pcsclite.h>

bool identifyCard(SCARDHANDLE card, CardReports &reports) {
    DWORD state = 0;
    QByteArray atr;
    // Room for the longest ATR that ISO/IEC 7816-3 allows.
    const LONG result = pcsc::status(card, MAX_ATR_SIZE, &state, &atr);
    if (result != SCARD_S_SUCCESS) {
        printConsoleLine("Failed SCardStatus");
        reports.reportUiMessage(pcscCodeName(result));
        return false;
    }
    printConsoleLine("%s", cardStateLine(state));

    reportAtrIdentification(atr, reports);
    return true;
}

void reportAtrIdentification(const QByteArray &atr, CardReports &reports) {
    reports.reportUiMessage(QStringLiteral("ATR: ") + atrHex(atr));
    ensureCompiledResources();
    QString failure;
    const std::shared_ptr<const AtrList> list = currentAtrList(atrListCandidates(), &failure);
    if (!list) {
        reports.reportPopup(QStringLiteral("Error"), failure);
        return;
    }
    for (const QString &text : list->identificationTexts(atr))
        reports.reportUiMessage(text);
}
