#include "printer_control.h"

#include "console_out.h"
#include "printer_platform.h"
#include "printer_state.h"
#include "sdk_api.h"
#include "sdk_errors.h"
#include "sdk_library.h"

#include <QLabel>

#include <algorithm>

struct PrinterControl::Placement {
    bool eject;
    std::int32_t moveTarget;
    std::uint8_t station;
    const char *missingExportLine;
};

namespace {

void writeConsoleLine(const char *line) {
    consoleOut << line << Qt::endl;
}

} // namespace

PrinterControl::PrinterControl(QLabel *atrLabel, PrinterPlatform &platform, QObject *parent)
    : QObject(parent), atrLabel_(atrLabel), platform_(platform) {}

void PrinterControl::showSdkError(std::int32_t result) {
    atrLabel_->setStyleSheet(QStringLiteral("QLabel { background-color : red; color : white;}"));
    atrLabel_->setText(sdkErrorText(result));
}

bool PrinterControl::succeeded(std::int32_t result) {
    if (sdk::resultCode(result) == sdk::Success)
        return true;
    showSdkError(result);
    return false;
}

void PrinterControl::openPrinterSession() {
    const std::optional<QString> queue = platform_.choosePrinter();
    if (!queue)
        return;
    if (!platform_.supportsCardPrinter(*queue)) {
        writeConsoleLine("Error");
        return;
    }
    auto *open = sdkFunction<ID_OpenSession_t>("ID_OpenSession");
    if (!open) {
        writeConsoleLine("Couldn't open session");
        return;
    }
    QByteArray printer = queue->toUtf8();
    if (!succeeded(open(printer.constData(), &sessionHandle, 0)))
        return;
    sessionPrinters_.append({sessionHandle, std::move(printer)});
    auto *readType = sdkFunction<ID_PrinterType_t>("ID_PrinterType");
    if (!readType) {
        writeConsoleLine("Couldn't read printer type");
        return;
    }
    printerType = static_cast<std::uint8_t>(readType(sessionHandle) & 0xFF);
}

void PrinterControl::closePrinterSession() {
    auto *close = sdkFunction<ID_CloseSession_t>("ID_CloseSession");
    if (!close) {
        writeConsoleLine("Can't Close Session");
        return;
    }
    if (sessionHandle == 0)
        return;
    const std::uint32_t session = sessionHandle;
    const std::int32_t result = close(session);
    // The session is gone for the program whatever the SDK answered.
    sessionHandle = 0;
    if (succeeded(result)) {
        sessionPrinters_.erase(
            std::remove_if(sessionPrinters_.begin(), sessionPrinters_.end(),
                           [session](const auto &held) { return held.first == session; }),
            sessionPrinters_.end());
    }
}

void PrinterControl::cardToContact() {
    positionCard({false, sdk::MoveToContact, sdk::ContactStation, "Can't launch Contact"});
}

void PrinterControl::cardToContactless() {
    positionCard(
        {false, sdk::MoveToContactless, sdk::ContactlessStation, "Can't launch Contactless"});
}

void PrinterControl::ejectCard() {
    positionCard({true, sdk::MoveOut, 0, "Can't Eject"});
}

void PrinterControl::positionCard(const Placement &placement) {
    // One printer choice at most: a cancelled, refused or failed open ends the operation
    // instead of offering the choice again and again.
    bool sessionOffered = false;
    for (;;) {
        const Pass pass = sdk::movesCardDirectly(printerType) ? movePass(placement)
                          : placement.eject                   ? ejectPass(placement)
                                                              : feedPass(placement);
        if (pass == Pass::Done || sessionOffered)
            return;
        openPrinterSession();
        sessionOffered = true;
        if (sessionHandle == 0)
            return;
    }
}

// Every pass looks its export up before it tests the session, so that a missing
// export is reported even when no session is open.
PrinterControl::Pass PrinterControl::movePass(const Placement &placement) {
    auto *move = sdkFunction<ID_MoveCard_t>("ID_MoveCard");
    if (!move) {
        writeConsoleLine(placement.missingExportLine);
        return Pass::Done;
    }
    if (sessionHandle == 0)
        return Pass::NeedsSession;
    succeeded(move(sessionHandle, placement.moveTarget));
    return Pass::Done;
}

PrinterControl::Pass PrinterControl::feedPass(const Placement &placement) {
    auto *smartMode = sdkFunction<ID_SmartMode_t>("ID_SmartMode");
    if (!smartMode) {
        writeConsoleLine(placement.missingExportLine);
        return Pass::Done;
    }
    if (sessionHandle == 0)
        return Pass::NeedsSession;
    std::uint8_t station = placement.station;
    if (!succeeded(smartMode(sessionHandle, sdk::smartModeEncode, &station)))
        return Pass::Done;
    auto *feed = sdkFunction<ID_FeedCard_t>("ID_FeedCard");
    if (!feed) {
        writeConsoleLine(placement.missingExportLine);
        return Pass::Done;
    }
    if (succeeded(feed(sessionHandle, placement.station, 0)))
        awaitPrinter();
    return Pass::Done;
}

PrinterControl::Pass PrinterControl::ejectPass(const Placement &placement) {
    auto *eject = sdkFunction<ID_EjectCard_t>("ID_EjectCard");
    if (!eject) {
        writeConsoleLine(placement.missingExportLine);
        return Pass::Done;
    }
    if (sessionHandle == 0)
        return Pass::NeedsSession;
    if (succeeded(eject(sessionHandle)))
        awaitPrinter();
    return Pass::Done;
}

void PrinterControl::awaitPrinter() {
    auto *wait = sdkFunction<ID_WaitForPrinter_t>("ID_WaitForPrinter");
    if (!wait) {
        writeConsoleLine("Can't Wait For Printer");
        return;
    }
    const std::optional<std::int32_t> answer =
        waitForPrinter([wait] { return wait(sessionHandle); }, atrLabel_->window(), waitLimits_);
    // A cancelled wait ends silently; a time-out or a printer fault is shown.
    if (answer)
        succeeded(*answer);
}
