#include "sim_settings.h"

#include <cerrno>
#include <cstdlib>

namespace printersim {

namespace {

std::string text(const char *name, const char *fallback) {
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

// Decimal, or hexadecimal with 0x, optionally negative.
std::optional<std::int32_t> number(const char *name) {
    const char *value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const long parsed = std::strtol(value, &end, 0);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return static_cast<std::int32_t>(parsed);
}

} // namespace

std::int32_t printerType() {
    return number("VANTOREL_SIM_PRINTER_TYPE").value_or(1);
}

std::string printerName() {
    return text("VANTOREL_SIM_PRINTER", "Vantorel_Sim");
}

std::string cardKind() {
    return text("VANTOREL_SIM_CARD", "desfire");
}

std::string logPath() {
    return text("VANTOREL_SIM_LOG", "");
}

bool logCardState() {
    return text("VANTOREL_SIM_LOG_CARD", "0") != "0";
}

int busyAnswers() {
    if (text("VANTOREL_SIM_WAIT_BUSY", "") == "forever")
        return -1;
    return number("VANTOREL_SIM_WAIT_BUSY").value_or(0);
}

std::optional<std::int32_t> injectedResult(const std::string &exportName) {
    return number(("VANTOREL_SIM_RESULT_" + exportName).c_str());
}

} // namespace printersim
