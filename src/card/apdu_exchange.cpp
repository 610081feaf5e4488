#include "apdu_exchange.h"

#include "card/apdu_text.h"
#include "card/card_reports.h"
#include "card/transmit_failure.h"
#include "worker/pcsc.h"

#include <QDebug>

namespace {
constexpr DWORD receiveCapacity = 258; // 256 data bytes and SW1 SW2
}

void exchangeApdus(SCARDHANDLE card, const SCARD_IO_REQUEST *sendPci, const QString &apduText,
                   CardReports &reports) {
    const QStringList lines = apdutext::splitLines(apduText);
    qDebug() << lines;
    QStringList entries;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray command = apdutext::decodeLine(lines[i]);
        // An empty line is no command; handed to the reader as one it can stall the
        // exchange until the card leaves.
        if (command.isEmpty())
            continue;
        QByteArray response;
        const LONG result = pcsc::transmit(card, sendPci, command, receiveCapacity, &response);
        if (result != SCARD_S_SUCCESS) {
            reportTransmitFailure(result, reports);
            continue;
        }
        entries.append(apdutext::responseEntry(i, response));
    }
    reports.reportPopup(apdutext::popupTitle, apdutext::joinEntries(entries));
}
