#pragma once

#include "bench_table.h"

// The MIFARE Classic test's whole cycle on a virtual 1K card against the same commands
// sent straight through PC/SC to the same card in the same run.
BenchRow mifareClassicRow(int runs);
