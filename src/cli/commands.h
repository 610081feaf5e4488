#pragma once

#include "command_line.h"

// The commands, each run on the thread that calls it; each writes its results and
// errors and gives the exit status (exit_status.h). A stop request (the thread's
// interruption request) ends a wait for a card and, for apdu, the lines still to send.
int runCommand(const CliRequest &request);

int runReaders(const CliRequest &request);
int runIdentify(const CliRequest &request);
int runApdu(const CliRequest &request);
int runDesfireTest(const CliRequest &request);
