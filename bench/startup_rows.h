#pragma once

#include "bench_table.h"

// Start-up time to the shown window and peak memory of the built program, against a
// bare toolkit main window, each started as a child process on a private X server.
QList<BenchRow> startupRows(int runs);
