#pragma once

#include <functional>

// Blocks SIGINT (and the signal by which a command says it is done) in the calling
// thread and in every thread started after it; call it first thing in main.
void holdInterrupts();

// Runs command on a thread of its own while this thread takes SIGINT with sigwait, so
// that no handler cuts into anything. The first SIGINT asks the command to stop through
// its thread's interruption request, which the card watch and the steps of a run look
// at; a second one ends the process at once. Gives the command's exit status, or 130
// when it was asked to stop.
int runInterruptibly(const std::function<int()> &command);
