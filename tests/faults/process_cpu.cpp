#include "process_cpu.h"

#include <sys/resource.h>

namespace {
std::chrono::microseconds duration(const timeval &value) {
    return std::chrono::seconds(value.tv_sec) + std::chrono::microseconds(value.tv_usec);
}
} // namespace

std::chrono::microseconds processCpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return duration(usage.ru_utime) + duration(usage.ru_stime);
}
