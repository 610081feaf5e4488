#pragma once

#include <cstdint>

// The card printer SDK as the program sees it: eight exports with C linkage, looked
// up by name. Only the low 8 bits of a result count, read as a signed byte; 0 is
// success. ID_PrinterType answers the printer type in those 8 bits instead.
// Plain C++ without Qt, so that a library standing in for the SDK can declare its
// exports from the same prototypes.
extern "C" {
using ID_OpenSession_t = std::int32_t(const char *printer, std::uint32_t *session,
                                      std::int32_t reserved);
using ID_PrinterType_t = std::int32_t(std::uint32_t session);
using ID_SmartMode_t = std::int32_t(std::uint32_t session, std::int32_t mode,
                                    std::uint8_t *station);
using ID_FeedCard_t = std::int32_t(std::uint32_t session, std::int32_t station,
                                   std::int32_t reserved);
using ID_WaitForPrinter_t = std::int32_t(std::uint32_t session);
using ID_MoveCard_t = std::int32_t(std::uint32_t session, std::int32_t target);
using ID_EjectCard_t = std::int32_t(std::uint32_t session);
using ID_CloseSession_t = std::int32_t(std::uint32_t session);
}

namespace sdk {

enum Result : std::int8_t {
    Success = 0,
    TimedOut = -1,
    NonSpecific = -2,
    PrinterError = -3,
    DriverNotCompliant = -4,
    OpenCommunication = -5,
    RemoteCommunication = -6,
    LocalCommunication = -7,
    AlreadyPrinting = -8,
    SessionActive = -9,
    LocalCommunicationToo = -10,
    ParameterOutOfRange = -11,
    InvalidHandle = -12,
    BufferTooSmall = -13,
    InvalidForPrinterType = -14,
    NotEquipped = -15,
};

inline std::int8_t resultCode(std::int32_t raw) {
    return static_cast<std::int8_t>(raw & 0xFF);
}

// Printer types driven with ID_MoveCard alone; every other type uses ID_SmartMode,
// ID_FeedCard and ID_EjectCard, each followed by a wait.
inline bool movesCardDirectly(std::uint8_t printerType) {
    return printerType == 3 || printerType == 4;
}

enum Station : std::uint8_t { ContactStation = 0, ContactlessStation = 1 };
enum MoveTarget : std::int32_t { MoveToContact = 5, MoveToContactless = 9, MoveOut = 6 };
constexpr std::int32_t smartModeEncode = 1;

} // namespace sdk
