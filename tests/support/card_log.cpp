#include "card_log.h"

#include "vpcd_link.h"

#include <algorithm>

namespace testsupport {

LastCommand lastCommand(const vcard::VpcdLink &link) {
    const std::vector<std::string> log = link.log();
    const auto last = std::find_if(log.rbegin(), log.rend(), [](const std::string &entry) {
        return entry.rfind("APDU ", 0) == 0;
    });
    if (last == log.rend())
        return {};
    return {QString::fromStdString(last->substr(5)),
            std::find(log.rbegin(), last, "RESET") != last};
}

} // namespace testsupport
