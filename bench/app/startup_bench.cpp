// Process start to first shown main window, on the offscreen platform: the
// program against a bare Qt Widgets window with the same number of controls,
// both measured in the same run. Target: at most 1.5 times the bare window.
#include "bench/app/ProbeClock.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::string g_binDir;
long long g_controls = 0;
std::vector<double> g_programSeconds, g_bareSeconds;

// Starts a probe and returns (seconds from spawn to its window shown, controls it reported).
std::pair<double, long long> runProbe(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0)
        std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const long long started = monotonicNanoseconds();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::abort();
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long shownAt = 0, controls = 0;
    if (std::sscanf(text.c_str(), "%lld %lld", &shownAt, &controls) != 2) {
        std::fprintf(stderr, "probe %s printed nothing usable\n", argv[0]);
        std::abort();
    }
    return {static_cast<double>(shownAt - started) / 1e9, controls};
}

// Each repetition starts both, in turns, so that a change in the machine's
// load between the two series cannot tilt the comparison.
void StartupProgramAgainstBareWindow(benchmark::State& state) {
    for (auto _ : state) {
        const bool programFirst = g_programSeconds.size() % 2 == 0;
        double program = 0, bare = 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == programFirst) {
                const auto [seconds, controls] = runProbe({g_binDir + "/startup_probe"});
                program = seconds;
                g_controls = controls;
            } else {
                bare =
                    runProbe({g_binDir + "/bare_window_probe", std::to_string(g_controls)}).first;
            }
        }
        g_programSeconds.push_back(program);
        g_bareSeconds.push_back(bare);
        state.SetIterationTime(program);
        state.counters["bare_ms"] = bare * 1e3;
    }
    state.counters["controls"] = static_cast<double>(g_controls);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

BENCHMARK(StartupProgramAgainstBareWindow)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string self = argv[0];
    g_binDir = self.substr(0, self.find_last_of('/'));
    // One unmeasured start of each, so both find the libraries in the page cache.
    g_controls = runProbe({g_binDir + "/startup_probe"}).second;
    runProbe({g_binDir + "/bare_window_probe", std::to_string(g_controls)});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_programSeconds.empty() && !g_bareSeconds.empty()) {
        const double program = median(g_programSeconds), bare = median(g_bareSeconds);
        std::printf("start-up to first shown window, median of %zu: program %.1f ms, bare window "
                    "with %lld controls %.1f ms, ratio %.2f (target <= 1.50)\n",
                    g_programSeconds.size(), program * 1e3, g_controls, bare * 1e3, program / bare);
    }
    return 0;
}
