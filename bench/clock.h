#pragma once

#include <chrono>
#include <ctime>

// Wall time on the monotonic clock, comparable between threads.
inline double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double cpuClockMs(clockid_t clock) {
    timespec spent{};
    clock_gettime(clock, &spent);
    return spent.tv_sec * 1e3 + spent.tv_nsec / 1e6;
}
