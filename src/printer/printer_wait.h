#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

struct PrinterWaitLimits {
    std::chrono::milliseconds pause{100};
    std::chrono::milliseconds limit{60000};
};

// Asks poll again while it answers the SDK's time-out code (-1), pausing between calls
// in a local event loop so that the window keeps painting and the card worker's
// reports keep arriving. Once the first answer is -1 a modal progress dialog on
// dialogParent offers Cancel. Returns the first other answer, -1 when the limit has
// passed, or nothing when the operator cancelled.
std::optional<std::int32_t> waitForPrinter(const std::function<std::int32_t()> &poll,
                                           QWidget *dialogParent, const PrinterWaitLimits &limits);
