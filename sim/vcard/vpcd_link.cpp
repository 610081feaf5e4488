#include "vpcd_link.h"

#include "hex.h"

#include <chrono>
#include <map>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vcard {

namespace {

bool readAll(int fd, std::uint8_t *buffer, std::size_t size) {
    while (size > 0) {
        // Delayed acknowledgements would stall every exchange by about 40 ms.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        const ssize_t n = ::recv(fd, buffer, size, 0);
        if (n <= 0)
            return false;
        buffer += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeFrame(int fd, const Bytes &payload) {
    Bytes frame{static_cast<std::uint8_t>(payload.size() >> 8),
                static_cast<std::uint8_t>(payload.size() & 0xFF)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// When each slot of this process last lost its card.
std::mutex emptiedMutex;
std::map<int, std::chrono::steady_clock::time_point> slotEmptied;

void markEmptied(int slot) {
    std::lock_guard<std::mutex> lock(emptiedMutex);
    slotEmptied[slot] = std::chrono::steady_clock::now();
}

void waitUntilSettled(int slot) {
    std::chrono::steady_clock::time_point ready;
    {
        std::lock_guard<std::mutex> lock(emptiedMutex);
        const auto found = slotEmptied.find(slot);
        if (found == slotEmptied.end())
            return;
        ready = found->second + std::chrono::milliseconds(slotSettleMs);
    }
    std::this_thread::sleep_until(ready);
}

enum Control : std::uint8_t { PowerOff = 0, PowerOn = 1, Reset = 2, GetAtr = 4 };

// The driver sends nothing else of one byte, so any other single byte is a command
// APDU that the host handed over as it was typed; left unanswered, it would hold the
// reader until the card leaves.
bool isControl(const Bytes &payload) {
    return payload.size() == 1 && (payload[0] == PowerOff || payload[0] == PowerOn ||
                                   payload[0] == Reset || payload[0] == GetAtr);
}

} // namespace

VpcdLink::VpcdLink(std::shared_ptr<VirtualCard> card) : card_(std::move(card)) {}

VpcdLink::~VpcdLink() {
    remove();
}

bool VpcdLink::insert(int slot) {
    if (running_)
        return true;
    if (thread_.joinable())
        thread_.join();
    waitUntilSettled(slot);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(vpcdBasePort + slot));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    socket_ = fd;
    slot_ = slot;
    running_ = true;
    thread_ = std::thread(&VpcdLink::serve, this, fd);
    return true;
}

void VpcdLink::remove() {
    const int fd = socket_.exchange(-1);
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    running_ = false;
}

void VpcdLink::serve(int fd) {
    for (;;) {
        std::uint8_t header[2];
        if (!readAll(fd, header, sizeof header))
            break;
        Bytes payload(static_cast<std::size_t>(header[0] << 8 | header[1]));
        if (!readAll(fd, payload.data(), payload.size()))
            break;
        Bytes answer;
        bool answers = true;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (isControl(payload)) {
                switch (payload[0]) {
                case PowerOff:
                    log_.push_back("POWER OFF");
                    card_->powerOff();
                    answers = false;
                    break;
                case PowerOn:
                    log_.push_back("POWER ON");
                    card_->powerOn();
                    answers = false;
                    break;
                case Reset:
                    log_.push_back("RESET");
                    card_->reset();
                    answers = false;
                    break;
                case GetAtr:
                    log_.push_back("ATR");
                    answer = card_->atr();
                    break;
                }
            } else {
                log_.push_back("APDU " + toHex(payload));
                ++commands_;
                if (dropAfter_ > 0 && commands_ > dropAfter_)
                    break;
                answer = card_->execute(payload);
            }
        }
        if (answers && !writeFrame(fd, answer))
            break;
    }
    const int own = socket_.exchange(-1);
    if (own >= 0)
        ::shutdown(own, SHUT_RDWR);
    ::close(fd);
    markEmptied(slot_);
    running_ = false;
}

std::vector<std::string> VpcdLink::log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

int VpcdLink::commandCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void VpcdLink::clearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
    commands_ = 0;
}

void VpcdLink::withCard(const std::function<void(VirtualCard &)> &fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    fn(*card_);
}

} // namespace vcard
