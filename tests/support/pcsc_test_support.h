#pragma once

#include <QString>

#include <PCSC/winscard.h>

// Shared by the service tests: they run against the real pcscd with the vpcd readers.
namespace testsupport {

inline const char contactReader[] = "Virtual PCD 00 00";     // vpcd slot 0
inline const char contactlessReader[] = "Virtual PCD 00 01"; // vpcd slot 1

// Empty when pcscd answers and lists both vpcd readers; otherwise why not, for QSKIP.
QString pcscUnavailableReason();

// Waits until the reader reports SCARD_STATE_PRESENT (present true) or
// SCARD_STATE_EMPTY (present false); false after timeoutMs.
bool waitForCard(const char *reader, bool present, int timeoutMs = 5000);

} // namespace testsupport

// For test functions: skips with the reason when the service cannot be reached.
#define QUORVANE_REQUIRE_PCSC()                                                                    \
    do {                                                                                           \
        const QString reason = testsupport::pcscUnavailableReason();                               \
        if (!reason.isEmpty())                                                                     \
            QSKIP(qPrintable(reason));                                                             \
    } while (false)
