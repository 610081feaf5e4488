#include "sim_printer.h"

#include "sim_settings.h"

#include "card_factory.h"
#include "desfire_card.h"
#include "hex.h"
#include "printer/sdk_api.h"
#include "vpcd_link.h"

#include <sstream>

namespace printersim {

namespace {

constexpr int contactSlot = 0;
constexpr int contactlessSlot = 1;
constexpr int outOfPrinter = -1;

// These models carry the card with a single move command and have no separate smart
// mode, feed or eject.
bool hasOneStepTransport() {
    const std::int32_t type = printerType() & 0xFF;
    return type == 3 || type == 4;
}

int stationSlot(std::int32_t station) {
    switch (station) {
    case sdk::ContactStation:
        return contactSlot;
    case sdk::ContactlessStation:
        return contactlessSlot;
    default:
        return -2;
    }
}

// An injected failure replaces the call; an injected success with higher bits set
// (0x100, say) lets the call act and is answered in place of 0.
struct Injection {
    explicit Injection(const char *exportName) : value(injectedResult(exportName)) {}
    bool fails() const { return value && sdk::resultCode(*value) != sdk::Success; }
    std::int32_t success() const { return value.value_or(sdk::Success); }
    std::optional<std::int32_t> value;
};

// What a card-moving export answers before it acts: an injected failure, an unknown
// session, or a printer of the other call family; nothing when it may go on.
std::optional<std::int32_t> refusal(const Injection &injected, bool open, bool oneStepFamily) {
    if (injected.fails())
        return *injected.value;
    if (!open)
        return sdk::InvalidHandle;
    if (hasOneStepTransport() != oneStepFamily)
        return sdk::InvalidForPrinterType;
    return std::nullopt;
}

std::int32_t motionResult(std::int32_t moved, const Injection &injected) {
    return moved == sdk::Success ? injected.success() : moved;
}

} // namespace

SimPrinter::SimPrinter() = default;
SimPrinter::~SimPrinter() = default;

std::int32_t SimPrinter::openSession(const char *printer, std::uint32_t *session,
                                     std::int32_t reserved) {
    const Injection injected("ID_OpenSession");
    if (injected.fails())
        return *injected.value;
    if (!session || reserved != 0)
        return sdk::ParameterOutOfRange;
    if (!printer || printerName() != printer)
        return sdk::OpenCommunication;
    if (open_ != 0)
        return sdk::SessionActive;
    open_ = ++lastHandle_;
    sessionPrinter_ = printer;
    sessionPrinterAtOpen_ = printer;
    *session = open_;
    return injected.success();
}

bool SimPrinter::isOpen(std::uint32_t session) const {
    // A session whose printer name the caller has freed or changed reaches no printer.
    return session != 0 && session == open_ && sessionPrinterAtOpen_ == sessionPrinter_;
}

std::int32_t SimPrinter::printerType(std::uint32_t session) {
    if (!isOpen(session))
        return sdk::InvalidHandle;
    return printersim::printerType();
}

std::int32_t SimPrinter::smartMode(std::uint32_t session, std::int32_t mode,
                                   const std::uint8_t *station) {
    const Injection injected("ID_SmartMode");
    if (const auto refused = refusal(injected, isOpen(session), false))
        return *refused;
    if (mode != sdk::smartModeEncode || !station || stationSlot(*station) < 0)
        return sdk::ParameterOutOfRange;
    return injected.success();
}

std::int32_t SimPrinter::feedCard(std::uint32_t session, std::int32_t station,
                                  std::int32_t reserved) {
    const Injection injected("ID_FeedCard");
    if (const auto refused = refusal(injected, isOpen(session), false))
        return *refused;
    if (stationSlot(station) < 0 || reserved != 0)
        return sdk::ParameterOutOfRange;
    return motionResult(startMotion(stationSlot(station)), injected);
}

std::int32_t SimPrinter::waitForPrinter(std::uint32_t session) {
    if (!isOpen(session))
        return sdk::InvalidHandle;
    if (busyLeft_ != 0) {
        if (busyLeft_ > 0)
            --busyLeft_;
        return sdk::TimedOut;
    }
    const Injection injected("ID_WaitForPrinter");
    return injected.value.value_or(sdk::Success);
}

std::int32_t SimPrinter::moveCard(std::uint32_t session, std::int32_t target) {
    const Injection injected("ID_MoveCard");
    if (const auto refused = refusal(injected, isOpen(session), true))
        return *refused;
    int slot;
    switch (target) {
    case sdk::MoveToContact:
        slot = contactSlot;
        break;
    case sdk::MoveToContactless:
        slot = contactlessSlot;
        break;
    case sdk::MoveOut:
        slot = outOfPrinter;
        break;
    default:
        return sdk::ParameterOutOfRange;
    }
    return motionResult(startMotion(slot), injected);
}

std::int32_t SimPrinter::ejectCard(std::uint32_t session) {
    const Injection injected("ID_EjectCard");
    if (const auto refused = refusal(injected, isOpen(session), false))
        return *refused;
    return motionResult(startMotion(outOfPrinter), injected);
}

std::int32_t SimPrinter::closeSession(std::uint32_t session) {
    const Injection injected("ID_CloseSession");
    if (injected.fails())
        return *injected.value;
    if (!isOpen(session))
        return sdk::InvalidHandle;
    open_ = 0;
    sessionPrinter_ = nullptr;
    busyLeft_ = 0;
    return injected.success();
}

std::string SimPrinter::cardState() {
    if (!card_)
        return "card none";
    std::ostringstream line;
    line << "card slot=" << cardSlot_ << " commands=" << card_->commandCount();
    card_->withCard([&line](vcard::VirtualCard &card) {
        const auto *desfire = dynamic_cast<const vcard::DesfireCard *>(&card);
        if (!desfire)
            return;
        std::string aids;
        for (const vcard::desfire::Aid &aid : desfire->applicationIds())
            aids += (aids.empty() ? "" : ",") + vcard::toHex({aid.begin(), aid.end()});
        line << " applications=" << (aids.empty() ? "none" : aids);
        const std::vector<vcard::DesfireExchange> exchanges = desfire->commandLog();
        if (!exchanges.empty())
            line << " last=" << vcard::toHex(exchanges.back().command) << ':'
                 << vcard::toHex(exchanges.back().answer);
    });
    return line.str();
}

std::int32_t SimPrinter::startMotion(int slot) {
    const std::int32_t carried = carryCard(slot);
    if (carried == sdk::Success)
        busyLeft_ = busyAnswers();
    return carried;
}

std::int32_t SimPrinter::carryCard(int slot) {
    if (!cardMade_) {
        cardMade_ = true;
        const std::string kind = cardKind();
        if (kind != "none") {
            // The DESFire card may not be part of this build yet; the ISO card then
            // stands in with the same ATR.
            std::shared_ptr<vcard::VirtualCard> card = vcard::makeCard(kind);
            card_ = std::make_unique<vcard::VpcdLink>(card ? card : vcard::makeCard("iso"));
        }
    }
    if (!card_ || (slot == cardSlot_ && card_->inserted()))
        return sdk::Success;
    card_->remove();
    cardSlot_ = outOfPrinter;
    if (slot == outOfPrinter)
        return sdk::Success;
    if (!card_->insert(slot))
        return sdk::LocalCommunication;
    cardSlot_ = slot;
    return sdk::Success;
}

} // namespace printersim
