#include "printer_wait.h"

#include "sdk_api.h"

#include <QElapsedTimer>

std::optional<std::int32_t>
waitForPrinter(const std::function<std::int32_t()> &poll, const PrinterWaitLimits &limits,
               const std::function<bool(std::chrono::milliseconds)> &pause) {
    std::int32_t answer = poll();
    if (sdk::resultCode(answer) != sdk::TimedOut)
        return answer;

    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (!pause(limits.pause))
            return std::nullopt;
        // Asked once more after every pause, however long it lasted (a message box may
        // have held the window): the printer itself must answer busy past the limit.
        answer = poll();
        if (sdk::resultCode(answer) != sdk::TimedOut || elapsed.hasExpired(limits.limit.count()))
            return answer;
    }
}
