#pragma once

#include "printer_wait.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <chrono>
#include <cstdint>

// What the SDK calls leave to their caller. The window writes console lines, shows
// errors on its label and offers its print and progress dialogs; the command-line
// program keeps what went wrong for its report.
class PrinterFrontEnd {
public:
    // exportName is missing from the SDK library; consoleLine is the window's line for
    // it, such as "Can't Eject".
    virtual void exportMissing(const char *exportName, const char *consoleLine) = 0;
    // An SDK call answered a failure (its low byte not 0).
    virtual void sdkFailed(std::int32_t result) = 0;
    // A card motion found no session open; one may be opened here. Asked once per
    // motion.
    virtual void sessionNeeded() = 0;
    // One pause between two answers of a busy printer; false gives the wait up.
    virtual bool pauseWhileBusy(std::chrono::milliseconds length) = 0;
    // A wait for a busy printer is over, however it ended.
    virtual void busyWaitEnded() = 0;

protected:
    ~PrinterFrontEnd() = default;
};

// Printer sessions and card positioning through the SDK library, without any user
// interface: the order of the calls, the printer-type rules and the bounded wait for
// the printer. Works on the process-wide sessionHandle and printerType
// (printer_state.h), from one thread. The front end belongs to the caller and must
// outlive this object.
class CardPrinter {
public:
    explicit CardPrinter(PrinterFrontEnd &frontEnd) : frontEnd_(frontEnd) {}

    void setWaitLimits(const PrinterWaitLimits &limits) { waitLimits_ = limits; }

    // ID_OpenSession on the queue, then ID_PrinterType. True when a session was opened.
    bool openSession(const QString &queue);
    void closeSession();

    // True when every call succeeded and the printer reported the card in place.
    bool cardToContact();
    bool cardToContactless();
    bool ejectCard();

private:
    struct Placement;
    enum class Pass { Moved, Stopped, NeedsSession };

    bool positionCard(const Placement &placement);
    Pass feedPass(const Placement &placement);
    Pass ejectPass(const Placement &placement);
    Pass movePass(const Placement &placement);
    bool awaitPrinter();
    bool succeeded(std::int32_t result);

    PrinterFrontEnd &frontEnd_;
    PrinterWaitLimits waitLimits_;
    // The queue names handed to the SDK, by session: the SDK may use a name for as long
    // as its session lives, so it is kept until a close of that session succeeds.
    QList<QPair<std::uint32_t, QByteArray>> sessionPrinters_;
    int sessionsOpened_ = 0;
};
