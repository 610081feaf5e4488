#include "card_printer.h"

#include "printer_state.h"
#include "sdk_api.h"
#include "sdk_library.h"

#include <algorithm>

struct CardPrinter::Placement {
    bool eject;
    std::int32_t moveTarget;
    std::uint8_t station;
    const char *missingExportLine;
};

bool CardPrinter::succeeded(std::int32_t result) {
    if (sdk::resultCode(result) == sdk::Success)
        return true;
    frontEnd_.sdkFailed(result);
    return false;
}

bool CardPrinter::openSession(const QString &queue) {
    auto *open = sdkFunction<ID_OpenSession_t>("ID_OpenSession");
    if (!open) {
        frontEnd_.exportMissing("ID_OpenSession", "Couldn't open session");
        return false;
    }
    QByteArray printer = queue.toUtf8();
    if (!succeeded(open(printer.constData(), &sessionHandle, 0)))
        return false;
    ++sessionsOpened_;
    sessionPrinters_.append({sessionHandle, std::move(printer)});
    auto *readType = sdkFunction<ID_PrinterType_t>("ID_PrinterType");
    if (!readType) {
        frontEnd_.exportMissing("ID_PrinterType", "Couldn't read printer type");
        return true;
    }
    printerType = static_cast<std::uint8_t>(readType(sessionHandle) & 0xFF);
    return true;
}

void CardPrinter::closeSession() {
    auto *close = sdkFunction<ID_CloseSession_t>("ID_CloseSession");
    if (!close) {
        frontEnd_.exportMissing("ID_CloseSession", "Can't Close Session");
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

bool CardPrinter::cardToContact() {
    return positionCard({false, sdk::MoveToContact, sdk::ContactStation, "Can't launch Contact"});
}

bool CardPrinter::cardToContactless() {
    return positionCard(
        {false, sdk::MoveToContactless, sdk::ContactlessStation, "Can't launch Contactless"});
}

bool CardPrinter::ejectCard() {
    return positionCard({true, sdk::MoveOut, 0, "Can't Eject"});
}

bool CardPrinter::positionCard(const Placement &placement) {
    // One offer of a session at most: a cancelled, refused or failed open ends the
    // motion instead of offering the choice again and again.
    bool sessionOffered = false;
    for (;;) {
        const Pass pass = sdk::movesCardDirectly(printerType) ? movePass(placement)
                          : placement.eject                   ? ejectPass(placement)
                                                              : feedPass(placement);
        if (pass != Pass::NeedsSession || sessionOffered)
            return pass == Pass::Moved;
        const int openedBefore = sessionsOpened_;
        frontEnd_.sessionNeeded();
        sessionOffered = true;
        // A failed open may leave a handle behind, as the SDK wrote it: only a session
        // that opened lets the motion go on.
        if (sessionsOpened_ == openedBefore || sessionHandle == 0)
            return false;
    }
}

// Every pass looks its export up before it tests the session, so that a missing
// export is reported even when no session is open.
CardPrinter::Pass CardPrinter::movePass(const Placement &placement) {
    auto *move = sdkFunction<ID_MoveCard_t>("ID_MoveCard");
    if (!move) {
        frontEnd_.exportMissing("ID_MoveCard", placement.missingExportLine);
        return Pass::Stopped;
    }
    if (sessionHandle == 0)
        return Pass::NeedsSession;
    return succeeded(move(sessionHandle, placement.moveTarget)) ? Pass::Moved : Pass::Stopped;
}

CardPrinter::Pass CardPrinter::feedPass(const Placement &placement) {
    auto *smartMode = sdkFunction<ID_SmartMode_t>("ID_SmartMode");
    if (!smartMode) {
        frontEnd_.exportMissing("ID_SmartMode", placement.missingExportLine);
        return Pass::Stopped;
    }
    if (sessionHandle == 0)
        return Pass::NeedsSession;
    std::uint8_t station = placement.station;
    if (!succeeded(smartMode(sessionHandle, sdk::smartModeEncode, &station)))
        return Pass::Stopped;
    auto *feed = sdkFunction<ID_FeedCard_t>("ID_FeedCard");
    if (!feed) {
        frontEnd_.exportMissing("ID_FeedCard", placement.missingExportLine);
        return Pass::Stopped;
    }
    const bool moved = succeeded(feed(sessionHandle, placement.station, 0)) && awaitPrinter();
    return moved ? Pass::Moved : Pass::Stopped;
}

CardPrinter::Pass CardPrinter::ejectPass(const Placement &placement) {
    auto *eject = sdkFunction<ID_EjectCard_t>("ID_EjectCard");
    if (!eject) {
        frontEnd_.exportMissing("ID_EjectCard", placement.missingExportLine);
        return Pass::Stopped;
    }
    if (sessionHandle == 0)
        return Pass::NeedsSession;
    const bool moved = succeeded(eject(sessionHandle)) && awaitPrinter();
    return moved ? Pass::Moved : Pass::Stopped;
}

bool CardPrinter::awaitPrinter() {
    auto *wait = sdkFunction<ID_WaitForPrinter_t>("ID_WaitForPrinter");
    if (!wait) {
        frontEnd_.exportMissing("ID_WaitForPrinter", "Can't Wait For Printer");
        return false;
    }
    const std::optional<std::int32_t> answer = waitForPrinter(
        [wait] { return wait(sessionHandle); }, waitLimits_,
        [this](std::chrono::milliseconds length) { return frontEnd_.pauseWhileBusy(length); });
    frontEnd_.busyWaitEnded();
    // A wait given up ends silently; a time-out or a printer fault is reported.
    return answer && succeeded(*answer);
}
