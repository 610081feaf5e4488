#pragma once

#include "bench_table.h"

class EventLog;

// Rows of the card commands, each against the same frames sent straight through
// PC/SC to the same virtual card in the same run.
BenchRow desfireExerciseRow(EventLog &log, int runs);
BenchRow apduRunRow(EventLog &log, int runs);
