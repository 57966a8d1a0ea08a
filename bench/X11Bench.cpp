// The on-screen window list over N real client windows: Varnic's pipelined
// reader against wmctrl -lpG (one reply awaited per request) on the same display.
// Counters: round trips per listing (constant in N) and entries listed.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <stdexcept>

#include "platform/x11/X11WindowSystem.h"
#include "tests/x11/X11Session.h"

namespace {

using varnic::testing::X11Session;

// One display per window count, kept for the whole run: openbox takes
// seconds to manage a thousand windows.
X11Session& sessionWith(int windows) {
    static std::map<int, std::unique_ptr<X11Session>> sessions;
    auto& session = sessions[windows];
    if (!session) {
        session = std::make_unique<X11Session>();
        session->startTestClient({"--count", std::to_string(windows), "--size", "60x60"});
    }
    return *session;
}

void BM_VarnicWindowList(benchmark::State& state) {
    auto& session = sessionWith(static_cast<int>(state.range(0)));
    varnic::X11WindowSystem system(session.display().c_str());
    std::size_t entries = 0;
    const auto before = system.roundTrips();
    for (auto _ : state) {
        const auto list = system.copyWindowList();
        if (!list) throw std::runtime_error("no window list");
        entries = list->size();
        benchmark::DoNotOptimize(list);
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["roundTrips"] =
        static_cast<double>(system.roundTrips() - before) / static_cast<double>(state.iterations());
}

void BM_WmctrlWindowList(benchmark::State& state) {
    auto& session = sessionWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const auto output = session.run({"wmctrl", "-lpG"});
        benchmark::DoNotOptimize(output);
    }
}

BENCHMARK(BM_VarnicWindowList)->Arg(50)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WmctrlWindowList)->Arg(50)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
