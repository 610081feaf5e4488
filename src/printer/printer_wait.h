#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

struct PrinterWaitLimits {
    std::chrono::milliseconds pause{100};
    std::chrono::milliseconds limit{60000};
};

// Asks poll again while it answers the SDK's time-out code (-1), with one call of pause
// between two answers. Returns the first other answer, -1 when the printer still
// answered it after the limit had passed, or nothing once pause answered false (the wait
// was given up).
std::optional<std::int32_t>
waitForPrinter(const std::function<std::int32_t()> &poll, const PrinterWaitLimits &limits,
               const std::function<bool(std::chrono::milliseconds)> &pause);
