#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

#include <PCSC/winscard.h>

class CardReports;

// One line of the text as the card took it: its response, or the failure's code.
struct ApduLineAnswer {
    int lineIndex;
    LONG result;
    QByteArray response; // empty unless the line was answered
};

// Sends each line of apduText to the card as one command with sendPci and reports all
// answers in one pop-up; a failed line is reported on its own and leaves a gap in the
// numbering. Lines without any hex digit are not sent; they fail as
// SCARD_E_INVALID_PARAMETER. stopRequested, when given, is asked before each line: once
// it answers true no further line is sent, and the answers so far are reported. Gives
// every line sent, in order, for callers that show them one by one.
QList<ApduLineAnswer> exchangeApdus(SCARDHANDLE card, const SCARD_IO_REQUEST *sendPci,
                                    const QString &apduText, CardReports &reports,
                                    const std::function<bool()> &stopRequested = {});
