#include "printer_state.h"

std::uint32_t sessionHandle = 0;
std::uint8_t printerType = 0;
