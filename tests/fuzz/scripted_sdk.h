#pragma once

#include "fuzz_input.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

// The card printer SDK and the CUPS queue query as the fuzzer answers them: the
// program's SDK loader and queue query are replaced by this double (scripted_sdk.cpp).
namespace scriptedsdk {

enum Export {
    OpenSession,
    PrinterType,
    SmartMode,
    FeedCard,
    WaitForPrinter,
    MoveCard,
    EjectCard,
    CloseSession,
    exportCount
};

struct Call {
    Export which;
    std::uint32_t session;
    std::int32_t result;
};

// Starts a script: which exports are missing (bit N for Export N), whether the queue
// exists and has the card printer's driver, and the input every call then takes its
// answer from. With busyAllowed false the printer never answers busy (-1): waits that
// pause for real are not worth the fuzzer's time.
void start(FuzzInput *input, std::uint8_t missingExports, bool queueExists, bool cardDriver,
           bool busyAllowed);
void setBusyAllowed(bool allowed);

// Every export call so far, in order.
const QList<Call> &calls();

} // namespace scriptedsdk
