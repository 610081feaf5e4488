#pragma once

#include "exit_status.h"

#include <QString>

#include <chrono>

class PcscContext;

// For the commands that work with the card in one reader: waits for it, saying on
// standard error that it waits when no card is there yet. AllPassed once the card is
// there; CheckFailed, said on standard error, when none came in time; Interrupted on a
// stop request.
ExitStatus waitForCommandCard(const PcscContext &context, const QString &reader,
                              std::chrono::milliseconds timeout);

// Writes a set-up error and gives its exit status.
ExitStatus setupFailure(const QString &message);
