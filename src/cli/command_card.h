#pragma once

#include "exit_status.h"

#include <QString>

class PcscContext;
struct CliRequest;

// For the commands that work with the card in one reader: chooses the reader and waits
// for a card in it, saying on standard error that it waits when none is there yet.
// Gives the reader once the card is there; otherwise nothing, with the message written
// and *status set: SetupError when there is no reader to take, CheckFailed when no card
// came in time, Interrupted on a stop request.
QString readerWithCard(const PcscContext &context, const CliRequest &request, int *status);

// What to say when another program holds the card exclusively beyond the tries for it.
QString heldElsewhereMessage(const QString &reader);

// Writes a set-up error and gives its exit status.
ExitStatus setupFailure(const QString &message);
