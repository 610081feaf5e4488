#include "command_card.h"

#include "cli_output.h"
#include "command_line.h"
#include "reader_choice.h"
#include "reader_wait.h"

#include "pcsc/reader_names.h"

namespace {

ExitStatus waitForCard(const PcscContext &context, const QString &reader,
                       std::chrono::milliseconds timeout) {
    ReaderState state;
    if (readReaderState(context.handle(), reader, &state) && state.present)
        return AllPassed;
    const QString shown = shownReaderName(reader);
    printError(
        QStringLiteral("waiting up to %1 for a card in %2").arg(secondsText(timeout), shown));
    switch (waitForCardEvent(readerNameBytes(reader), CardEvent::Arrival, timeout)) {
    case WaitEnd::Reached:
        return AllPassed;
    case WaitEnd::Interrupted:
        return Interrupted;
    case WaitEnd::TimedOut:
        break;
    }
    printError(QStringLiteral("no card in %1 within %2").arg(shown, secondsText(timeout)));
    return CheckFailed;
}

} // namespace

QString readerWithCard(const PcscContext &context, const CliRequest &request, int *status) {
    QString failure;
    const QString reader = chooseReader(context, request.reader, &failure);
    if (reader.isEmpty()) {
        *status = setupFailure(failure);
        return {};
    }
    *status = waitForCard(context, reader, request.cardTimeout);
    return *status == AllPassed ? reader : QString();
}

QString heldElsewhereMessage(const QString &reader) {
    return QStringLiteral("another program holds the card in %1 (SCARD_E_SHARING_VIOLATION): "
                          "stop it, for instance GnuPG's scdaemon with \"gpgconf --kill "
                          "scdaemon\", and try again")
        .arg(shownReaderName(reader));
}

ExitStatus setupFailure(const QString &message) {
    printError(message);
    return SetupError;
}
