#pragma once

#include "bench_table.h"

class EventLog;

// Rows of the card watch: what a watching worker costs, how soon it sees a card, and
// how soon a retired worker leaves.
QList<BenchRow> idleCpuRows(EventLog &log, int runs, int seconds);
BenchRow detectionRow(EventLog &log, int runs);
QList<BenchRow> interruptionRows(EventLog &log, int runs);
