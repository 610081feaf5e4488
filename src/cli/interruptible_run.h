#pragma once

#include <functional>

// Blocks SIGINT, SIGTERM and SIGHUP (and the signal by which a command says it is done)
// in the calling thread and in every thread started after it, and ignores SIGPIPE, so
// that a closed pipe shows as a failed write; call it first thing in main.
void holdInterrupts();

// Runs command on a thread of its own while this thread takes the stop signals with
// sigwait, so that no handler cuts into anything. The first SIGINT, SIGTERM or SIGHUP
// asks the command to stop (stop_request.h): the step under way finishes; later ones
// are let be, except a second Ctrl-C, which ends the process at once. Gives the
// command's exit status, or that of the stop's cause when it was asked to stop.
int runInterruptibly(const std::function<int()> &command);
