// Memory at rest: Varnic just started (tray icon, no panel opened yet) against
// a bare Qt 6 tray program, both on the same private display.
// Counters in MB of resident memory, and their ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/x11/X11Session.h"

namespace {

using namespace std::chrono_literals;
using varnic::testing::ChildProcess;
using varnic::testing::X11Session;

std::optional<double> residentMegabytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
    }
    return std::nullopt;
}

// Starts the program, waits for the line that says it has started, then for
// its memory to stop growing (the same reading five times in a row).
double settledMegabytes(X11Session& session, const std::string& program,
                        const std::string& readyLine) {
    ChildProcess process(
        {program},
        {"DISPLAY=" + session.display(), "HOME=" + session.logDirectory(),
         "XDG_CONFIG_HOME=" + session.logDirectory() + "/config", "QT_QPA_PLATFORM=xcb"},
        session.logDirectory() + "/memory.log");
    for (;;) {
        const auto line = process.readLine(10s);
        if (!line) throw std::runtime_error(program + " did not start");
        if (*line == readyLine) break;
    }
    double last = -1;
    int unchanged = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (unchanged < 5 && std::chrono::steady_clock::now() < deadline) {
        const auto now = residentMegabytes(process.pid()).value_or(-1);
        unchanged = now == last ? unchanged + 1 : 0;
        last = now;
        process.readLine(50ms);  // paces the readings; the program prints nothing more
    }
    return last;
}

void BM_ResidentMemoryAtRest(benchmark::State& state) {
    X11Session session;
    double varnic = 0;
    double bare = 0;
    for (auto _ : state) {
        varnic = settledMegabytes(session, VARNIC_BINARY, "isAuthorized : true");
        bare = settledMegabytes(session, BARE_TRAY_BINARY, "ready");
    }
    state.counters["varnicMB"] = varnic;
    state.counters["bareTrayMB"] = bare;
    state.counters["ratio"] = varnic / bare;
}

BENCHMARK(BM_ResidentMemoryAtRest)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
