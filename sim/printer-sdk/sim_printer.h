#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vcard {
class VpcdLink;
}

namespace printersim {

// One card printer with one card, which it carries to the contact station (vpcd slot
// 0), the contactless station (slot 1) or out of the printer. Each operation answers
// an SDK result code; misuse gets the SDK's own codes, never a crash. Not thread-safe:
// the exports serialise every call.
class SimPrinter {
public:
    SimPrinter();
    ~SimPrinter();

    std::int32_t openSession(const char *printer, std::uint32_t *session, std::int32_t reserved);
    std::int32_t printerType(std::uint32_t session);
    std::int32_t smartMode(std::uint32_t session, std::int32_t mode, const std::uint8_t *station);
    std::int32_t feedCard(std::uint32_t session, std::int32_t station, std::int32_t reserved);
    std::int32_t waitForPrinter(std::uint32_t session);
    std::int32_t moveCard(std::uint32_t session, std::int32_t target);
    std::int32_t ejectCard(std::uint32_t session);
    std::int32_t closeSession(std::uint32_t session);

    // "card slot=S commands=N", for a DESFire card followed by " applications=AID,..."
    // (or "none") and " last=COMMAND:ANSWER" in hex; "card none" before the first motion
    // or without a card.
    std::string cardState();

private:
    bool isOpen(std::uint32_t session) const;
    std::int32_t carryCard(int slot);
    std::int32_t startMotion(int slot);

    std::uint32_t open_ = 0;
    // The printer name given at open, kept and read for as long as the session lives,
    // as the SDK keeps its device handle: a caller that frees it early is caught here.
    const char *sessionPrinter_ = nullptr;
    std::string sessionPrinterAtOpen_; // what it read then
    std::uint32_t lastHandle_ = 0;
    int busyLeft_ = 0; // negative: busy for good
    bool cardMade_ = false;
    std::unique_ptr<vcard::VpcdLink> card_; // null when the printer holds no card
    int cardSlot_ = -1;                     // -1: out of the printer
};

} // namespace printersim
