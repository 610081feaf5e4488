#include "call_log.h"

#include "sim_settings.h"

#include <fstream>

namespace printersim {

void logCall(const std::string &line) {
    const std::string path = logPath();
    if (path.empty())
        return;
    std::ofstream(path, std::ios::app) << line << '\n';
}

} // namespace printersim
