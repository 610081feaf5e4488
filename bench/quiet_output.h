#pragma once

class EventLog;

// While it exists the worker's console lines (standard output) are thrown away and its
// debug lines go to the event log instead of the terminal, so that neither disturbs
// the figures nor the table. Warnings still reach standard error.
class QuietOutput {
public:
    explicit QuietOutput(EventLog &log);
    ~QuietOutput();
    QuietOutput(const QuietOutput &) = delete;
    QuietOutput &operator=(const QuietOutput &) = delete;

private:
    int savedStdout_ = -1;
};
