#include "commands.h"

#include "bounded_read.h"
#include "cli_output.h"
#include "command_card.h"
#include "kept_reports.h"
#include "reader_choice.h"

#include "card/apdu_exchange.h"
#include "card/apdu_text.h"
#include "pcsc/card_session.h"
#include "pcsc/pcsc_names.h"
#include "pcsc/reader_names.h"
#include "worker/active_protocol.h"
#include "worker/protocol_choice.h"

#include <QThread>

#include <cstdio>

namespace {

// More than any list of commands a card is sent.
constexpr qint64 apduTextLimit = 16 * 1024 * 1024;

// The text of FILE, or of standard input for "-" (apdutext::fileText); false with
// *failure when it cannot be read or is over the limit.
bool readApduText(const QString &path, QString *text, QString *failure) {
    const QString name = path == QLatin1String("-") ? QStringLiteral("standard input") : path;
    const BoundedRead input(path, apduTextLimit);
    switch (input.end()) {
    case BoundedRead::End::Whole:
        *text = apdutext::fileText(input.content());
        return true;
    case BoundedRead::End::TooLarge:
        *failure =
            QStringLiteral("%1 holds more than 16 MiB: no list of APDUs is that long").arg(name);
        return false;
    case BoundedRead::End::Failed:
        break;
    }
    *failure = QStringLiteral("cannot read %1: %2").arg(name, input.failure());
    return false;
}

} // namespace

int runApdu(const CliRequest &request) {
    QString text;
    QString failure;
    if (!readApduText(request.apduFile, &text, &failure))
        return setupFailure(failure);
    const PcscContext context;
    int status = AllPassed;
    const QString reader = readerWithCard(context, request, &status);
    if (reader.isEmpty())
        return status;

    CardRequests requests;
    requests.apduPending = true;
    requests.t0 = request.t0;
    requests.t1 = request.t1;
    const auto stopRequested = [] { return QThread::currentThread()->isInterruptionRequested(); };
    pcsc::CardSession session(context.handle(), readerNameBytes(reader),
                              preferredProtocols(requests), pcsc::CardSession::Start::Reset,
                              stopRequested);
    if (session.stopped())
        return Interrupted;
    if (session.result() == SCARD_E_SHARING_VIOLATION)
        return setupFailure(heldElsewhereMessage(reader));
    if (!session.isOpen()) {
        printError(QStringLiteral("no connection to the card in %1: %2")
                       .arg(shownReaderName(reader), pcscCodeName(session.result())));
        return CheckFailed;
    }
    selectActiveProtocol(session.activeProtocol());
    KeptReports reports;
    const QList<ApduLineAnswer> answers =
        exchangeApdus(session.handle(), activeProtocolPci, text, reports, stopRequested);
    session.close();

    bool allAnswered = answers.size() == apdutext::splitLines(text).size();
    for (const ApduLineAnswer &answer : answers) {
        if (answer.result == SCARD_S_SUCCESS) {
            printLine(apdutext::responseEntry(answer.lineIndex, answer.response));
        } else {
            allAnswered = false;
            printLine(QStringLiteral("APDU Response %1 failed: %2")
                          .arg(answer.lineIndex + 1)
                          .arg(pcscCodeName(answer.result)));
        }
    }
    return allAnswered ? AllPassed : CheckFailed;
}
