#pragma once

// The program's exit status. A run stopped by a signal gives what a shell reports for a
// process that signal ended: 128 and the signal's number.
enum ExitStatus {
    AllPassed = 0,
    CheckFailed = 1,
    SetupError = 2,    // also for usage errors
    HungUp = 129,      // SIGHUP: the terminal went away
    Interrupted = 130, // SIGINT: Ctrl-C
    OutputLost = 141,  // standard output could not be written (a closed pipe: SIGPIPE's)
    Terminated = 143,  // SIGTERM: timeout, systemd, CI
};
