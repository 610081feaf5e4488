#pragma once

#include <chrono>

// CPU time (user and system, all threads) that this process has used so far. Time
// spent waiting for a core on a busy machine is not counted, so a load from elsewhere
// cannot raise it.
std::chrono::microseconds processCpuTime();
