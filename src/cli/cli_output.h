#pragma once

#include <QString>

#include <chrono>

// The program's own output: results and progress on standard output, errors on
// standard error as "quorvane-cli: <message>". Each line is flushed at once, so that a
// pipe or a log sees it as it happens. A line that cannot be written to standard output
// (the pipe's reader is gone, the disk is full) stops the command as a signal does
// (stop_request.h).

void printLine(const QString &text);
void printError(const QString &message);

// "10 s", "0.5 s".
QString secondsText(std::chrono::milliseconds length);
