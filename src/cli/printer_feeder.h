#pragma once

#include "command_line.h"

#include "printer/card_printer.h"

#include <QString>

#include <chrono>

// The card printer as the command-line program drives it: chosen by its CUPS queue and
// the window's driver check, one session for the whole run, the window's SDK calls and
// printer-type rules. No dialogs and no console lines: what went wrong is kept as the
// text of the last failure.
class PrinterFeeder : private PrinterFrontEnd {
public:
    PrinterFeeder(Station station, std::chrono::milliseconds busyLimit);
    ~PrinterFeeder(); // closes the session

    PrinterFeeder(const PrinterFeeder &) = delete;
    PrinterFeeder &operator=(const PrinterFeeder &) = delete;

    // Loads the SDK library, checks the queue and its driver and opens the session.
    // Empty when the session is open; otherwise what is wrong and what to do.
    QString open(const QString &queue);

    // Takes the card to the station; ejects it. False when the printer did not, with
    // failure() saying why.
    bool feed();
    bool eject();
    QString failure() const { return failure_; }

private:
    void exportMissing(const char *exportName, const char *consoleLine) override;
    void sdkFailed(std::int32_t result) override;
    void sessionNeeded() override {} // opened once, before the run
    bool pauseWhileBusy(std::chrono::milliseconds length) override;
    void busyWaitEnded() override {}

    bool moved(bool succeeded);

    Station station_;
    CardPrinter printer_;
    QString failure_;
};
