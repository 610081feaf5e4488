#pragma once

#include "virtual_card.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vcard {

constexpr int vpcdBasePort = 35963; // slot N listens on 35963 + N
constexpr int slotSettleMs = 600;

// Puts one virtual card into a vpcd slot: inserting connects to the slot's port,
// removing closes the connection. The exchange runs on a thread of its own; every
// call into the card holds the link's lock, so withCard() may inspect it meanwhile.
class VpcdLink {
public:
    explicit VpcdLink(std::shared_ptr<VirtualCard> card);
    ~VpcdLink(); // removes the card

    VpcdLink(const VpcdLink &) = delete;
    VpcdLink &operator=(const VpcdLink &) = delete;

    // Connects to 127.0.0.1:(vpcdBasePort + slot). False when vpcd is not listening.
    // Waits first, if need be, until the slot has been empty for slotSettleTime: pcscd
    // polls vpcd about every 400 ms and is left in a stale state by a card that
    // leaves and enters between two polls.
    bool insert(int slot);
    void remove();
    bool inserted() const { return running_; }

    // Answers this many command APDUs, then closes the connection at the next one
    // (0: never), as a card pulled out of the field mid-exchange would.
    void dropAfterCommands(int count) { dropAfter_ = count; }

    // Each entry: "ATR", "POWER ON", "POWER OFF", "RESET" or "APDU <hex>".
    std::vector<std::string> log() const;
    int commandCount() const;
    void clearLog();

    // Runs fn with the card while no exchange touches it.
    void withCard(const std::function<void(VirtualCard &)> &fn);

private:
    void serve(int socket);
    void record(std::string entry);

    std::shared_ptr<VirtualCard> card_;
    mutable std::mutex mutex_;
    std::vector<std::string> log_;
    int commands_ = 0;
    std::atomic<int> dropAfter_{0};
    std::atomic<bool> running_{false};
    std::atomic<int> socket_{-1};
    int slot_ = -1;
    std::thread thread_;
};

} // namespace vcard
