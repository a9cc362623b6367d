// Process start to first shown main window, on the offscreen platform: the
// program against a bare Qt Widgets window with the same number of controls,
// both measured in the same run. Target: at most 1.25 times the bare window.
// The probes also report when each step of their start ended, and the
// program's three largest steps are printed beside the ratio.
#include "bench/app/ProbeClock.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProbeRun {
    double seconds = 0; // from spawn to the window shown and painted
    long long controls = 0;
    double processorSeconds = 0; // processor time the probe used until then
    // Each step of the start in the order it ended, with its length in seconds;
    // the first one starts at the spawn.
    std::vector<std::pair<std::string, double>> phases;
};

std::string g_binDir;
long long g_controls = 0;
std::vector<double> g_programSeconds, g_bareSeconds;
std::vector<double> g_programProcessor, g_bareProcessor;
std::vector<std::string> g_phaseOrder;
std::map<std::string, std::vector<double>> g_programPhases, g_barePhases;

void collectPhases(const ProbeRun& run, std::map<std::string, std::vector<double>>& into) {
    for (const auto& [name, seconds] : run.phases) {
        if (std::find(g_phaseOrder.begin(), g_phaseOrder.end(), name) == g_phaseOrder.end())
            g_phaseOrder.push_back(name);
        into[name].push_back(seconds);
    }
}

// Starts a probe and reads what it reports.
ProbeRun runProbe(const std::vector<std::string>& args) {
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
    long long shownAt = 0, controls = 0, processor = 0;
    if (std::sscanf(text.c_str(), "%lld %lld %lld", &shownAt, &controls, &processor) != 3) {
        std::fprintf(stderr, "probe %s printed nothing usable\n", argv[0]);
        std::abort();
    }
    ProbeRun run{static_cast<double>(shownAt - started) / 1e9,
                 controls,
                 static_cast<double>(processor) / 1e9,
                 {}};
    long long previous = started;
    for (size_t line = text.find('\n'); line != std::string::npos; line = text.find('\n', line)) {
        ++line;
        long long endedAt = 0;
        int nameAt = 0;
        if (std::sscanf(text.c_str() + line, "phase %lld %n", &endedAt, &nameAt) != 1 ||
            nameAt == 0)
            continue;
        const char* name = text.c_str() + line + nameAt;
        run.phases.emplace_back(std::string(name, std::strcspn(name, "\n")),
                                static_cast<double>(endedAt - previous) / 1e9);
        previous = endedAt;
    }
    return run;
}

// Each repetition starts both, in turns, so that a change in the machine's
// load between the two series cannot tilt the comparison.
void StartupProgramAgainstBareWindow(benchmark::State& state) {
    for (auto _ : state) {
        const bool programFirst = g_programSeconds.size() % 2 == 0;
        double program = 0, bare = 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == programFirst) {
                const ProbeRun run = runProbe({g_binDir + "/startup_probe"});
                program = run.seconds;
                g_controls = run.controls;
                g_programProcessor.push_back(run.processorSeconds);
                collectPhases(run, g_programPhases);
            } else {
                const ProbeRun run =
                    runProbe({g_binDir + "/bare_window_probe", std::to_string(g_controls)});
                bare = run.seconds;
                g_bareProcessor.push_back(run.processorSeconds);
                collectPhases(run, g_barePhases);
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

// The program's three longest steps (medians), each beside the bare window's
// step of the same name where it has one; every step when
// TIPSMITH_STARTUP_STEPS=all.
void printLargestPhases() {
    std::vector<std::pair<double, std::string>> steps;
    for (const std::string& name : g_phaseOrder) {
        const auto found = g_programPhases.find(name);
        if (found != g_programPhases.end())
            steps.emplace_back(median(found->second), name);
    }
    std::sort(steps.begin(), steps.end(), [](const auto& a, const auto& b) { return a > b; });
    const char* shown = std::getenv("TIPSMITH_STARTUP_STEPS");
    const bool all = shown && std::strcmp(shown, "all") == 0;
    const size_t count = all ? steps.size() : std::min<size_t>(3, steps.size());
    std::printf("largest steps of the program's start (median):\n");
    if (all) {
        for (const std::string& name : g_phaseOrder) {
            if (g_programPhases.count(name) == 0)
                std::printf("  %-34s        (bare window %.1f ms)\n", name.c_str(),
                            median(g_barePhases[name]) * 1e3);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const auto& [seconds, name] = steps[i];
        const auto bare = g_barePhases.find(name);
        if (bare != g_barePhases.end())
            std::printf("  %-34s %5.1f ms   (bare window %.1f ms)\n", name.c_str(), seconds * 1e3,
                        median(bare->second) * 1e3);
        else
            std::printf("  %-34s %5.1f ms\n", name.c_str(), seconds * 1e3);
    }
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
    g_controls = runProbe({g_binDir + "/startup_probe"}).controls;
    runProbe({g_binDir + "/bare_window_probe", std::to_string(g_controls)});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_programSeconds.empty() && !g_bareSeconds.empty()) {
        const double program = median(g_programSeconds), bare = median(g_bareSeconds);
        std::printf("start-up to first shown window, median of %zu: program %.1f ms, bare window "
                    "with %lld controls %.1f ms, ratio %.2f (target <= 1.25)\n",
                    g_programSeconds.size(), program * 1e3, g_controls, bare * 1e3, program / bare);
        // Processor time changes less than the elapsed time when other work shares the machine.
        const double programProcessor = median(g_programProcessor);
        const double bareProcessor = median(g_bareProcessor);
        std::printf("processor time until then: program %.1f ms, bare window %.1f ms, ratio %.2f\n",
                    programProcessor * 1e3, bareProcessor * 1e3, programProcessor / bareProcessor);
        printLargestPhases();
    }
    return 0;
}
