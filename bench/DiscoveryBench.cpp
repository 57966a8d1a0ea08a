// Discovery runs on the main thread while the panel opens, so a crowded
// desktop must not make it slow: the worst case is a window list whose
// usable entry comes last, after many that are skipped.
#include <benchmark/benchmark.h>

#include "support/Log.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/FakeWindowSystem.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

// Every entry but the last is a dock-like window of an accessory application
// or too small; the last one's owner answers no accessibility read, so the
// log-only reads run too.
void scriptCrowdedDesktop(FakeWindowSystem& system, int entries) {
    system.focusedApplication = {ax::cannotComplete, std::nullopt};
    system.addApplication(700, "panel", "/usr/bin/panel").info.activationPolicy =
        ActivationPolicy::accessory;
    system.addApplication(812, "xlogo", "/usr/bin/xlogo").reads[attr::windows] = {ax::success,
                                                                                  std::vector{1}};
    system.titles[1] = {ax::success, "the logo"};
    for (int i = 0; i + 1 < entries; ++i) {
        if (i % 2 == 0) {
            system.addListEntry(700, "dock", 1280, 60);
        } else {
            system.addListEntry(812, "tooltip", 120, 20);
        }
    }
    system.addListEntry(812, "the logo", 640, 480);
}

void BM_WindowListDiscovery(benchmark::State& state) {
    const auto previous = Log::replaceSink([](std::string_view) {});
    FakeWindowSystem system;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    scriptCrowdedDesktop(system, static_cast<int>(state.range(0)));
    const auto manager = WindowManager::create(system, shell, queue);
    for (auto _ : state) {
        manager->fetchActiveWindowInfo();
        queue.runPending();
    }
    if (!manager->activeWindowInfo.get()) state.SkipWithError("no target found");
    state.SetItemsProcessed(state.iterations() * state.range(0));
    Log::replaceSink(previous);
}
BENCHMARK(BM_WindowListDiscovery)->Arg(20)->Arg(200)->Arg(2000);

void BM_FocusedApplicationDiscovery(benchmark::State& state) {
    const auto previous = Log::replaceSink([](std::string_view) {});
    FakeWindowSystem system;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    system.addApplication(812, "xlogo", "/usr/bin/xlogo", 1);
    system.titles[1] = {ax::success, "the logo"};
    system.focus(812);
    const auto manager = WindowManager::create(system, shell, queue);
    for (auto _ : state) {
        manager->fetchActiveWindowInfo();
        queue.runPending();
    }
    Log::replaceSink(previous);
}
BENCHMARK(BM_FocusedApplicationDiscovery);

}  // namespace
}  // namespace varnic

BENCHMARK_MAIN();
