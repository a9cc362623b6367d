#pragma once

#include <cstdint>
#include <ctime>

// Monotonic nanoseconds, comparable between processes on the same machine.
inline std::int64_t monotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
