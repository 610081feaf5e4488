#include "apdu_exchange.h"

#include "card/apdu_text.h"
#include "card/card_reports.h"
#include "card/transmit_failure.h"
#include "pcsc/pcsc.h"

#include <QDebug>

namespace {
constexpr DWORD receiveCapacity = 258; // 256 data bytes and SW1 SW2
}

QList<ApduLineAnswer> exchangeApdus(SCARDHANDLE card, const SCARD_IO_REQUEST *sendPci,
                                    const QString &apduText, CardReports &reports,
                                    const std::function<bool()> &stopRequested) {
    const QStringList lines = apdutext::splitLines(apduText);
    qDebug() << lines;
    QList<ApduLineAnswer> answers;
    QStringList entries;
    for (int i = 0; i < lines.size(); ++i) {
        if (stopRequested && stopRequested())
            break;
        const QByteArray command = apdutext::decodeLine(lines[i]);
        // A line without bytes is no command: refused here as PC/SC would refuse an
        // invalid parameter, since handed to the reader it can stall the exchange
        // until the card leaves.
        QByteArray response;
        const LONG result =
            command.isEmpty() ? LONG(SCARD_E_INVALID_PARAMETER)
                              : pcsc::transmit(card, sendPci, command, receiveCapacity, &response);
        answers.append({i, result, response});
        if (result != SCARD_S_SUCCESS) {
            reportTransmitFailure(result, reports);
            continue;
        }
        entries.append(apdutext::responseEntry(i, response));
    }
    reports.reportPopup(apdutext::popupTitle, apdutext::joinEntries(entries));
    return answers;
}
