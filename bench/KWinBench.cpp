// Varnic on KWin against the way a one-off tool talks to KWin. Discovery with
// 100 windows open reads the mirror the resident script keeps (no call to
// KWin); a resize is timed from the request until the new frame is read
// back. The peer runs qdbus three times per call (loadScript, run,
// unloadScript) and gets no answer back at all, so its figure is a floor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "platform/kwin/KWinWindowSystem.h"
#include "support/Log.h"
#include "tests/kwin/KWinSession.h"
#include "windows/WindowDiscovery.h"

namespace {

using varnic::WindowMirror;
using varnic::testing::ChildProcess;
using varnic::testing::KWinSession;

constexpr int crowd = 100;

struct Desktop {
    KWinSession session;
    std::unique_ptr<ChildProcess> crowd;
    std::unique_ptr<ChildProcess> gtk;
    std::unique_ptr<varnic::KWinWindowSystem> system;
};

std::unique_ptr<Desktop> shared;

// One KWin for the whole run: 100 XWayland windows and a native gtk3-demo.
Desktop& desktop() {
    if (!shared) {
        auto made = std::make_unique<Desktop>();
        // Loaded before the crowd arrives, which keeps KWin busy for a while.
        made->system = std::make_unique<varnic::KWinWindowSystem>();
        if (!made->system->isProcessTrusted()) throw std::runtime_error("no KWin scripting");
        made->crowd = made->session.spawn(
            {VARNIC_X11_TEST_CLIENT, "--count", std::to_string(crowd), "--size", "60x60"});
        made->gtk = made->session.spawn({"gtk3-demo"}, {"GDK_BACKEND=wayland"});
        const auto ready = made->system->awaitWindows(
            [&](const WindowMirror::Windows& windows) { return windows.size() >= crowd + 1; }, 30);
        if (!ready) throw std::runtime_error("KWin did not report the windows");
        shared = std::move(made);
    }
    return *shared;
}

void BM_VarnicDiscovery(benchmark::State& state) {
    auto& d = desktop();
    varnic::Log::replaceSink([](std::string_view) {});
    varnic::WindowDiscovery discovery(*d.system);
    for (auto _ : state) benchmark::DoNotOptimize(discovery.discover(std::nullopt));
    state.counters["windows"] = static_cast<double>(d.system->copyWindowList()->size());
}

void BM_VarnicResizeReadBack(benchmark::State& state) {
    auto& d = desktop();
    const auto application = d.system->createApplication(d.gtk->pid());
    auto window =
        d.system->copyAttributeValue(*application, varnic::attr::focusedWindow).takeElement();
    if (!window) throw std::runtime_error("no gtk3-demo window");
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        const auto size = *d.system->createSizeValue(wide ? 1280 : 1024, wide ? 720 : 640);
        const auto result = d.system->setAttributeValue(*window, varnic::attr::size, size);
        if (result.code != varnic::ax::success) throw std::runtime_error("resize failed");
    }
}

// qdbus loadScript, run and unloadScript of a script that sets the frame.
void BM_QdbusScriptResize(benchmark::State& state) {
    auto& d = desktop();
    const auto folder =
        std::filesystem::temp_directory_path() / ("varnic-kwin-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        const auto script = folder / (wide ? "wide.js" : "narrow.js");
        std::ofstream(script) << "const windows = workspace.windowList ? workspace.windowList() "
                                 ": workspace.clientList();\n"
                                 "for (const w of windows) if (w.pid === "
                              << d.gtk->pid() << ") w.frameGeometry = {x: w.frameGeometry.x, "
                              << "y: w.frameGeometry.y, width: " << (wide ? 1280 : 1024)
                              << ", height: " << (wide ? 720 : 640) << "};\n";
        const auto id =
            d.session.run({"qdbus", "org.kde.KWin", "/Scripting", "loadScript", script, "peer"});
        const auto number = id.substr(0, id.find('\n'));
        const auto path = d.session.plasma() == 6 ? "/Scripting/Script" + number : "/" + number;
        d.session.run({"qdbus", "org.kde.KWin", path, "run"});
        d.session.run({"qdbus", "org.kde.KWin", "/Scripting", "unloadScript", "peer"});
    }
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_VarnicDiscovery)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VarnicResizeReadBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QdbusScriptResize)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shared.reset();
    return 0;
}
