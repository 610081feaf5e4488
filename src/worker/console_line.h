#pragma once

// Writes one printf-formatted line to standard output and flushes it at once, so that
// the line shows up even when standard output is a pipe.
void printConsoleLine(const char *format, ...) __attribute__((format(printf, 1, 2)));
