#pragma once

#include <QString>

#include <chrono>

// The program's own output: results and progress on standard output, errors on
// standard error as "quorvane-cli: <message>". Each line is flushed at once, so that a
// pipe or a log sees it as it happens.

void printLine(const QString &text);
void printError(const QString &message);

// "10 s", "0.5 s".
QString secondsText(std::chrono::milliseconds length);
