#include "commands.h"

#include "cli_output.h"
#include "command_card.h"
#include "kept_reports.h"
#include "reader_choice.h"

#include "card/apdu_exchange.h"
#include "card/apdu_text.h"
#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"
#include "pcsc/reader_names.h"
#include "worker/active_protocol.h"
#include "worker/protocol_choice.h"

#include <QFile>
#include <QThread>

#include <cstdio>

namespace {

// The text of FILE, or of standard input for "-"; false with *failure when it cannot be
// read. A text file's last line ends in a line break, which closes that line here
// rather than opening an empty one after it.
bool readApduText(const QString &path, QString *text, QString *failure) {
    QFile file(path);
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : file.open(QIODevice::ReadOnly);
    const QByteArray content = opened ? file.readAll() : QByteArray();
    if (!opened || file.error() != QFileDevice::NoError) {
        *failure = QStringLiteral("cannot read %1: %2")
                       .arg(path == QLatin1String("-") ? QStringLiteral("standard input") : path,
                            file.errorString());
        return false;
    }
    *text = QString::fromUtf8(content);
    if (text->endsWith(QLatin1String("\r\n")))
        text->chop(2);
    else if (text->endsWith(QLatin1Char('\n')) || text->endsWith(QLatin1Char('\r')))
        text->chop(1);
    return true;
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
    SCARDHANDLE card = 0;
    DWORD activeProtocol = 0;
    const LONG connected = pcsc::connect(context.handle(), readerNameBytes(reader),
                                         preferredProtocols(requests), &card, &activeProtocol);
    if (connected != SCARD_S_SUCCESS) {
        printError(QStringLiteral("no connection to the card in %1: %2")
                       .arg(shownReaderName(reader), pcscCodeName(connected)));
        return CheckFailed;
    }
    selectActiveProtocol(activeProtocol);
    KeptReports reports;
    const QList<ApduLineAnswer> answers = exchangeApdus(card, activeProtocolPci, text, reports, [] {
        return QThread::currentThread()->isInterruptionRequested();
    });
    pcsc::disconnect(card, SCARD_RESET_CARD);

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
