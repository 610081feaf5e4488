#pragma once

#include <string>

namespace printersim {

// Appends one line to the file named by VANTOREL_SIM_LOG, if any.
void logCall(const std::string &line);

} // namespace printersim
