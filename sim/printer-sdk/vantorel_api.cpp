// libVantorelAPI.so: the card printer SDK's eight exports over one simulated printer
// that holds one virtual card. A card fed or moved to the contact station is inserted
// into vpcd slot 0 ("Virtual PCD 00 00"), to the contactless station into slot 1
// ("Virtual PCD 00 01"); an ejected card is removed.
//
// Settings, from the environment, read at every call (the card kind at the first card
// motion of the process):
//   VANTOREL_SIM_PRINTER_TYPE  what ID_PrinterType answers (default 1). Types 3 and 4
//                              take ID_MoveCard only; the others ID_SmartMode,
//                              ID_FeedCard and ID_EjectCard only (-14 otherwise).
//   VANTOREL_SIM_PRINTER       the only printer name ID_OpenSession accepts (default
//                              "Vantorel_Sim"); any other answers -5.
//   VANTOREL_SIM_CARD          the card: a vcard::makeCard kind (default "desfire",
//                              "iso" when that kind is unknown), or "none" for a printer
//                              without a card that touches no reader.
//   VANTOREL_SIM_RESULT_<export>  e.g. VANTOREL_SIM_RESULT_ID_FeedCard=-3: the export
//                              answers this instead of acting. A value whose low byte is
//                              0 (such as 0x100) lets it act and is answered in place of
//                              0. ID_WaitForPrinter answers it once the printer is idle.
//                              Not for ID_PrinterType.
//   VANTOREL_SIM_WAIT_BUSY     how many times ID_WaitForPrinter answers -1 after each
//                              card motion before answering 0; "forever" never ends
//                              (default 0).
//   VANTOREL_SIM_LOG           a file to which every call is appended as one line: the
//                              export and its arguments, a pointer argument as "*" and
//                              the value it points to, or "null"; the printer name in
//                              double quotes.
//   VANTOREL_SIM_LOG_CARD      1: after every call, also log the card's state as one
//                              line, e.g. "card slot=1 commands=150 applications=none
//                              last=90FC000000:9100" (SimPrinter::cardState).
// Numbers are decimal or 0x-hexadecimal. Misuse answers the SDK's codes: -12 unknown
// session handle, -11 parameter out of range, -9 session already active, -14 action
// invalid for the printer type, -5 unknown printer, -7 no vpcd reader to put the card in.

#include "call_log.h"
#include "sim_printer.h"
#include "sim_settings.h"

#include "printer/sdk_api.h"

#include <mutex>
#include <sstream>

extern "C" {
ID_OpenSession_t ID_OpenSession;
ID_PrinterType_t ID_PrinterType;
ID_SmartMode_t ID_SmartMode;
ID_FeedCard_t ID_FeedCard;
ID_WaitForPrinter_t ID_WaitForPrinter;
ID_MoveCard_t ID_MoveCard;
ID_EjectCard_t ID_EjectCard;
ID_CloseSession_t ID_CloseSession;
}

namespace {

std::mutex printerMutex;

printersim::SimPrinter &printer() {
    static printersim::SimPrinter thePrinter;
    return thePrinter;
}

template <typename T> std::string pointee(const T *pointer) {
    return pointer ? "*" + std::to_string(+*pointer) : "null";
}

// Logs the call, then runs it on the printer with every other call kept out.
template <typename Call, typename... Arguments>
std::int32_t call(const char *name, Call &&run, const Arguments &...arguments) {
    std::lock_guard<std::mutex> lock(printerMutex);
    std::ostringstream line;
    line << name;
    ((line << ' ' << arguments), ...);
    printersim::logCall(line.str());
    const std::int32_t result = run(printer());
    if (printersim::logCardState())
        printersim::logCall(printer().cardState());
    return result;
}

} // namespace

std::int32_t ID_OpenSession(const char *printerName, std::uint32_t *session,
                            std::int32_t reserved) {
    const std::string name = printerName ? '"' + std::string(printerName) + '"' : "null";
    return call(
        "ID_OpenSession",
        [&](printersim::SimPrinter &p) { return p.openSession(printerName, session, reserved); },
        name, pointee(session), reserved);
}

std::int32_t ID_PrinterType(std::uint32_t session) {
    return call(
        "ID_PrinterType", [&](printersim::SimPrinter &p) { return p.printerType(session); },
        session);
}

std::int32_t ID_SmartMode(std::uint32_t session, std::int32_t mode, std::uint8_t *station) {
    return call(
        "ID_SmartMode",
        [&](printersim::SimPrinter &p) { return p.smartMode(session, mode, station); }, session,
        mode, pointee(station));
}

std::int32_t ID_FeedCard(std::uint32_t session, std::int32_t station, std::int32_t reserved) {
    return call(
        "ID_FeedCard",
        [&](printersim::SimPrinter &p) { return p.feedCard(session, station, reserved); }, session,
        station, reserved);
}

std::int32_t ID_WaitForPrinter(std::uint32_t session) {
    return call(
        "ID_WaitForPrinter", [&](printersim::SimPrinter &p) { return p.waitForPrinter(session); },
        session);
}

std::int32_t ID_MoveCard(std::uint32_t session, std::int32_t target) {
    return call(
        "ID_MoveCard", [&](printersim::SimPrinter &p) { return p.moveCard(session, target); },
        session, target);
}

std::int32_t ID_EjectCard(std::uint32_t session) {
    return call(
        "ID_EjectCard", [&](printersim::SimPrinter &p) { return p.ejectCard(session); }, session);
}

std::int32_t ID_CloseSession(std::uint32_t session) {
    return call(
        "ID_CloseSession", [&](printersim::SimPrinter &p) { return p.closeSession(session); },
        session);
}
