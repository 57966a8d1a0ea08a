// sway through its IPC, side by side with swaymsg on the same headless sway:
// one discovery with 200 windows open against `swaymsg -t get_tree`, and one
// resize from request to confirmed size against `swaymsg` running the same
// command followed by a `swaymsg -t get_tree` that checks the size. Resizes
// of an XWayland window and of a native Wayland one (foot); each repetition
// is one resize, and repetitions of Varnic and swaymsg run interleaved in
// random order, so that load from other programs falls on both alike (the
// median and p90 are the figures). Varnic confirms an XWayland window's size
// with the X server, on $DISPLAY. Run under tests/wayland/as-test-user.sh.
// Counter: requests sent to sway per discovery (the mirror makes it zero).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/i3ipc/I3WindowSystem.h"
#include "support/Log.h"
#include "tests/sway/SwaySession.h"
#include "windows/WindowDiscovery.h"

#ifndef VARNIC_TEST_CLIENT
#error "VARNIC_TEST_CLIENT must name the X11 test client"
#endif

namespace {

using varnic::testing::SwaySession;
constexpr int windowCount = 200;

// One sway with a floating foot window and 200 XWayland windows of one client.
struct Desktop {
    SwaySession session;
    std::unique_ptr<varnic::testing::ChildProcess> client;
    SwaySession::Window foot;
    std::int64_t clientWindow = 0;  // the container of the test client's last window

    Desktop() {
        // foot first: in a layout of 200 tiles its own would be a few pixels wide.
        foot = session.start({"foot"});
        session.swaymsg({"[con_id=" + std::to_string(foot.id) + "] floating enable"});
        // 200 tiles would be narrower than their borders: they float.
        session.swaymsg({"for_window [class=\"VarnicTestClient\"] floating enable"});
        auto env = session.environment();
        client = std::make_unique<varnic::testing::ChildProcess>(
            std::vector<std::string>{VARNIC_TEST_CLIENT, "--count", std::to_string(windowCount),
                                     "--size", "60x60"},
            env, session.logDirectory() + "/client.log");
        for (int mapped = 0; mapped < windowCount; ++mapped) {
            const auto event =
                session.waitForEvent([](const auto& event) { return event["change"] == "new"; },
                                     std::chrono::seconds(60));
            if (!event) throw std::runtime_error("the test client's windows did not map");
            clientWindow = (*event)["container"]["id"].template get<std::int64_t>();
        }
    }
};

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

void quiet() {
    varnic::Log::replaceSink([](std::string_view) {});
}

void BM_VarnicDiscovery(benchmark::State& state) {
    auto& d = desktop();
    quiet();
    varnic::I3WindowSystem system(d.session.socketPath());
    varnic::WindowDiscovery discovery(system);
    const auto before = system.requests();
    for (auto _ : state) {
        auto outcome = discovery.discover(std::nullopt);
        if (!outcome.target) throw std::runtime_error("no target found");
        benchmark::DoNotOptimize(outcome);
    }
    state.counters["requests"] = benchmark::Counter(static_cast<double>(system.requests() - before),
                                                    benchmark::Counter::kAvgIterations);
    state.counters["windows"] = static_cast<double>(system.copyWindowList()->size());
}

void BM_SwaymsgGetTree(benchmark::State& state) {
    auto& d = desktop();
    for (auto _ : state) {
        auto tree = d.session.swaymsg({"-t", "get_tree"});
        if (tree.empty()) throw std::runtime_error("no tree");
        benchmark::DoNotOptimize(tree);
    }
}

// Both tools alternate the window between two sizes, so that every resize
// really changes it, whichever ran before. Each starts from a window whose
// last size sway has drawn: a client's frame of the size before, still on its
// way, would take the new size's place in sway's tree, which neither tool can
// tell from the tree alone. Not timed: sway's time for a client to answer.
bool nextLarge(benchmark::State& state, std::int64_t id) {
    static std::map<std::int64_t, bool> large;
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    state.ResumeTiming();
    return large[id] = !large[id];
}

void varnicResize(benchmark::State& state, varnic::Pid pid, std::int64_t id) {
    quiet();
    varnic::I3WindowSystem system(desktop().session.socketPath());
    const auto app = system.createApplication(pid);
    const auto window = system.copyAttributeValue(*app, varnic::attr::focusedWindow).takeElement();
    if (!window) throw std::runtime_error("no window");
    for (auto _ : state) {
        const bool large = nextLarge(state, id);
        const auto size = *system.createSizeValue(large ? 1280 : 1024, large ? 720 : 600);
        const auto result = system.setAttributeValue(*window, varnic::attr::size, size);
        if (result.code != varnic::ax::success || result.nearest) {
            throw std::runtime_error("the window did not take the size");
        }
    }
}

void swaymsgResize(benchmark::State& state, std::int64_t id) {
    auto& d = desktop();
    const auto criteria = "[con_id=" + std::to_string(id) + "] floating enable, ";
    for (auto _ : state) {
        const bool large = nextLarge(state, id);
        d.session.swaymsg({criteria + (large ? "resize set width 1280 px height 720 px"
                                             : "resize set width 1024 px height 600 px")});
        if (d.session.outerSize(id) != (large ? "1280x720" : "1024x600")) {
            throw std::runtime_error("swaymsg's resize did not show in the tree");
        }
    }
}

void BM_VarnicResizeXWayland(benchmark::State& state) {
    varnicResize(state, desktop().client->pid(), desktop().clientWindow);
}

void BM_SwaymsgResizeXWayland(benchmark::State& state) {
    swaymsgResize(state, desktop().clientWindow);
}

void BM_VarnicResizeNative(benchmark::State& state) {
    varnicResize(state, desktop().foot.pid, desktop().foot.id);
}

void BM_SwaymsgResizeNative(benchmark::State& state) {
    swaymsgResize(state, desktop().foot.id);
}

double p90(const std::vector<double>& samples) {
    auto sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<std::size_t>(std::ceil(0.9 * static_cast<double>(sorted.size())));
    return sorted.at(std::max<std::size_t>(rank, 1) - 1);
}

void resizes(benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(30)
        ->ComputeStatistics("p90", p90)
        ->ReportAggregatesOnly(true);
}

}  // namespace

BENCHMARK(BM_VarnicDiscovery)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwaymsgGetTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VarnicResizeXWayland)->Apply(resizes);
BENCHMARK(BM_SwaymsgResizeXWayland)->Apply(resizes);
BENCHMARK(BM_VarnicResizeNative)->Apply(resizes);
BENCHMARK(BM_SwaymsgResizeNative)->Apply(resizes);

// Interleaved unless the command line says otherwise.
int main(int argc, char** argv) {
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
