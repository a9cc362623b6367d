#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

// Monotonic nanoseconds, comparable between processes on the same machine.
inline std::int64_t monotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Processor time the process has used so far, in nanoseconds.
inline std::int64_t processorNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The ends of a probe's steps, as they happen.
struct ProbePhase {
    const char* name;
    std::int64_t endedAt;
};
inline ProbePhase g_probePhases[64];
inline int g_probePhaseCount = 0;

inline void recordPhase(const char* name) {
    if (g_probePhaseCount < 64)
        g_probePhases[g_probePhaseCount++] = {name, monotonicNanoseconds()};
}

// What a probe tells the benchmark: "SHOWN_AT CONTROLS PROCESSOR" on the first
// line, the time its window was shown and painted and the processor time used
// until then; then "phase ENDED_AT NAME" for each step in the order they
// ended. The first step starts at the process start.
inline void printProbeResult(std::int64_t shownAt, long long controls) {
    std::printf("%lld %lld %lld\n", static_cast<long long>(shownAt), controls,
                static_cast<long long>(processorNanoseconds()));
    for (int i = 0; i < g_probePhaseCount; ++i)
        std::printf("phase %lld %s\n", static_cast<long long>(g_probePhases[i].endedAt),
                    g_probePhases[i].name);
    std::fflush(stdout);
}
