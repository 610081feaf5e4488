#pragma once

#include "bench_table.h"

// Rows of quorvane-cli run as a program, each against the same work done straight
// through PC/SC, on the same virtual card, in the same run.
BenchRow cliExerciseRow(int runs);
BenchRow cliSoakRow(int cycles);
// Passes per minute beside another PC/SC program that probes the card, against the
// same run alone.
BenchRow cliProbedRow(int runs);
