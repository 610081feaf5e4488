#pragma once

#include <QString>

namespace vcard {
class VpcdLink;
}

namespace testsupport {

// How a virtual card's conversation ended, from its link's log.
struct LastCommand {
    QString command;         // the last command APDU, upper-case hex; empty when none
    bool resetAfter = false; // the card was reset after it (a disconnect with reset)
};

LastCommand lastCommand(const vcard::VpcdLink &link);

} // namespace testsupport
