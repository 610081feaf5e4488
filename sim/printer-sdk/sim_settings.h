#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The simulated printer's settings, read from the environment at every call (see
// vantorel_api.cpp for the list), so that a process that loaded the library can
// change them between calls.
namespace printersim {

std::int32_t printerType();
std::string printerName();
std::string cardKind();
std::string logPath();
bool logCardState();

// -1 answers from ID_WaitForPrinter after each card motion; negative for "forever".
int busyAnswers();

// What the named export answers in place of its own result, if anything.
std::optional<std::int32_t> injectedResult(const std::string &exportName);

} // namespace printersim
