#pragma once

// The program's exit status.
enum ExitStatus {
    AllPassed = 0,
    CheckFailed = 1,
    SetupError = 2,    // also for usage errors
    Interrupted = 130, // stopped with Ctrl-C, as a shell reports a process ended by SIGINT
};
