#include "commands.h"

#include "cli_output.h"
#include "command_card.h"
#include "kept_reports.h"
#include "reader_choice.h"

#include "pcsc/reader_names.h"
#include "worker/card_identification.h"

int runIdentify(const CliRequest &request) {
    const PcscContext context;
    int status = AllPassed;
    const QString reader = readerWithCard(context, request, &status);
    if (reader.isEmpty())
        return status;

    ReaderState state;
    if (!readReaderState(context.handle(), reader, &state) || !state.present) {
        printError(QStringLiteral("the card left %1 before its ATR was read")
                       .arg(shownReaderName(reader)));
        return CheckFailed;
    }
    if (state.atr.isEmpty()) {
        printError(QStringLiteral("the card in %1 gives no ATR").arg(shownReaderName(reader)));
        return CheckFailed;
    }
    KeptReports reports;
    reportAtrIdentification(state.atr, reports);
    // Each text replaces the one before in the window; the last is what it shows.
    printLine(reports.uiMessages.last());
    for (const auto &popup : reports.popups)
        printError(QStringLiteral("the ATR list: %1: %2").arg(popup.first, popup.second));
    return reports.popups.isEmpty() ? AllPassed : SetupError;
}
