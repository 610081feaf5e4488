#pragma once

#include "bench_table.h"

#include <QList>

// Rows of what the program does with input it does not control, measured in-process on
// the real code: the ATR list a card is identified with, from today's list and from a
// hostile one, and the run report's cost per cycle early in a long run and late in it.
QList<BenchRow> atrIdentificationRows(int runs);
BenchRow reportCostRow(int runs);
