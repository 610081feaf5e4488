#include "command_card.h"

#include "cli_output.h"
#include "reader_choice.h"
#include "reader_wait.h"

ExitStatus waitForCommandCard(const PcscContext &context, const QString &reader,
                              std::chrono::milliseconds timeout) {
    ReaderState state;
    if (readReaderState(context.handle(), reader, &state) && state.present)
        return AllPassed;
    printError(
        QStringLiteral("waiting up to %1 for a card in %2").arg(secondsText(timeout), reader));
    switch (waitForCardEvent(reader.toUtf8(), CardEvent::Arrival, timeout)) {
    case WaitEnd::Reached:
        return AllPassed;
    case WaitEnd::Interrupted:
        return Interrupted;
    case WaitEnd::TimedOut:
        break;
    }
    printError(QStringLiteral("no card in %1 within %2").arg(reader, secondsText(timeout)));
    return CheckFailed;
}

ExitStatus setupFailure(const QString &message) {
    printError(message);
    return SetupError;
}
