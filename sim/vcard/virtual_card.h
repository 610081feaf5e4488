#pragma once

#include <cstdint>
#include <vector>

namespace vcard {

using Bytes = std::vector<std::uint8_t>;

// A card as the reader sees it: an ATR, power and reset, and one answer per command
// APDU. Implementations need not be thread-safe: VpcdLink serialises every call.
class VirtualCard {
public:
    virtual ~VirtualCard() = default;
    virtual Bytes atr() const = 0;
    virtual void powerOn() {}
    virtual void powerOff() {}
    virtual void reset() {}
    virtual Bytes execute(const Bytes &apdu) = 0;
};

} // namespace vcard
