#include "commands.h"

#include "cli_output.h"
#include "command_card.h"
#include "printer_feeder.h"
#include "reader_choice.h"
#include "run_report.h"
#include "stress_run.h"

#include "pcsc/reader_names.h"
#include "printer/printer_state.h"

#include <memory>

namespace {

QString stationName(Station station) {
    return station == Station::Contact ? QStringLiteral("contact") : QStringLiteral("contactless");
}

} // namespace

int runDesfireTest(const CliRequest &request) {
    const PcscContext context;
    QString failure;
    const QString reader = chooseReader(context, request.reader, &failure);
    if (reader.isEmpty())
        return setupFailure(failure);

    std::unique_ptr<PrinterFeeder> printer;
    std::optional<PrinterDescription> described;
    if (!request.printerQueue.isEmpty()) {
        printer = std::make_unique<PrinterFeeder>(request.station, request.printerTimeout);
        failure = printer->open(request.printerQueue);
        if (!failure.isEmpty())
            return setupFailure(failure);
        // The printer would bring a second card to a station that holds one.
        ReaderState state;
        if (readReaderState(context.handle(), reader, &state) && state.present)
            return setupFailure(QStringLiteral("a card is already in %1: take it out before a "
                                               "run through the printer, or leave out --printer "
                                               "to test that card")
                                    .arg(shownReaderName(reader)));
        described =
            PrinterDescription{request.printerQueue, stationName(request.station), printerType};
    }

    RunReport report(shownReaderName(reader), described, request.cycles);
    if (!request.reportPath.isEmpty() && !report.keepFile(request.reportPath, &failure))
        return setupFailure(QStringLiteral("the report cannot be written to %1: %2")
                                .arg(request.reportPath, failure));
    StressRun run(StressSettings{reader, request.cycles, request.cardTimeout}, printer.get(),
                  report);
    run.run();
    for (const QString &line : report.summary())
        printLine(line);
    if (!report.finishFile(&failure))
        return setupFailure(QStringLiteral("the report cannot be written to %1: %2")
                                .arg(request.reportPath, failure));
    if (run.cardHeldElsewhere())
        return SetupError;
    return report.allPassed() ? AllPassed : CheckFailed;
}
