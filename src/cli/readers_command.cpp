#include "commands.h"

#include "cli_output.h"
#include "command_card.h"
#include "reader_choice.h"

#include "pcsc/reader_names.h"
#include "worker/atr_list.h"

int runReaders(const CliRequest &) {
    const PcscContext context;
    QString failure;
    const QStringList readers = listedReaders(context, &failure);
    if (readers.isEmpty())
        return setupFailure(failure);
    for (const QString &reader : readers) {
        ReaderState state;
        QString seen = QStringLiteral("unknown");
        if (readReaderState(context.handle(), reader, &state))
            seen = !state.present        ? QStringLiteral("empty")
                   : state.atr.isEmpty() ? QStringLiteral("mute")
                                         : atrHex(state.atr);
        printLine(shownReaderName(reader) + QLatin1Char('\t') + seen);
    }
    return AllPassed;
}
