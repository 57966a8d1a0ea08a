// GNOME Shell through Varnic's extension, inside tests/gnome/gnome-session.sh:
// - a discovery with 100 windows open, read from the mirror, against a
//   `gdbus call` process that asks the extension for the same list;
// - a resize from request to size reached, against a `gdbus call` process
//   making the same request of the extension.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <memory>
#include <stdexcept>

#include "platform/gnome/ExtensionBus.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "support/Log.h"
#include "tests/harness/ChildProcess.h"
#include "windows/WindowDiscovery.h"

namespace varnic {
namespace {

using testing::ChildProcess;

constexpr int openWindows = 100;

void waitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 30000) throw std::runtime_error("the desktop did not get ready");
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
}

// One desktop for the whole run: 100 test windows and one gtk3-demo.
struct Desktop {
    Desktop() {
        windows.readLine(std::chrono::seconds(30));
        waitUntil([&] {
            const auto list = system.copyWindowList();
            return list && list->size() >= openWindows + 1;
        });
        const auto list = system.copyWindowList();  // kept: the loop must not outlive it
        for (const auto& entry : list.value_or(std::vector<varnic::WindowListEntry>{})) {
            if (entry.ownerPID == demo.pid())
                demoWindow = static_cast<std::uint64_t>(*entry.windowNumber);
        }
    }

    GnomeWindowSystem system{QDBusConnection::sessionBus(),
                             QStringLiteral(VARNIC_EXTENSION_BUILD_DIR)};
    ChildProcess windows{{VARNIC_TEST_WINDOWS, "crowd", "--count", std::to_string(openWindows)},
                         {"GDK_BACKEND=wayland"},
                         "/dev/null"};
    ChildProcess demo{{"gtk3-demo"}, {"GDK_BACKEND=wayland"}, "/dev/null"};
    std::uint64_t demoWindow = 0;
};

Desktop& desktop() {
    static const auto shared = std::make_unique<Desktop>();
    return *shared;
}

// A gdbus process, run to its end; its output (the reply) is read and dropped.
int gdbusCall(const QString& method, const QStringList& arguments) {
    QProcess gdbus;
    gdbus.start(
        QStringLiteral("gdbus"),
        QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                    gnome::extensionName, QStringLiteral("--object-path"), gnome::extensionPath,
                    QStringLiteral("--method"),
                    gnome::extensionInterface + QLatin1Char('.') + method} +
            arguments);
    if (!gdbus.waitForFinished(10000)) {
        gdbus.kill();
        gdbus.waitForFinished();
        return -1;
    }
    gdbus.readAllStandardOutput();
    return gdbus.exitStatus() == QProcess::NormalExit ? gdbus.exitCode() : -1;
}

void BM_VarnicDiscovery(benchmark::State& state) {
    auto& system = desktop().system;
    const auto previous = Log::replaceSink([](std::string_view) {});
    WindowDiscovery discovery(system);
    for (auto _ : state) {
        auto outcome = discovery.discover(std::nullopt);
        if (!outcome.target) state.SkipWithError("no target found");
        benchmark::DoNotOptimize(outcome);
    }
    Log::replaceSink(previous);
    state.counters["windows"] = static_cast<double>(system.copyWindowList()->size());
}

void BM_GdbusListWindows(benchmark::State& state) {
    desktop();
    for (auto _ : state) {
        if (gdbusCall(QStringLiteral("ListWindows"), {}) != 0) state.SkipWithError("gdbus failed");
    }
}

// Each iteration asks for the other of two sizes, so every request is a change.
const char* sizes[2][2] = {{"1280", "720"}, {"1024", "640"}};

void BM_VarnicResize(benchmark::State& state) {
    auto& shared = desktop();
    const auto window = shared.system.copyAttributeValue(
        *shared.system.createApplication(shared.demo.pid()), attr::focusedWindow);
    const auto* element = window.element();
    if (!element) throw std::runtime_error("no gtk3-demo window");
    int turn = 0;
    for (auto _ : state) {
        const auto* size = sizes[turn++ % 2];
        const auto value = shared.system.createSizeValue(std::stod(size[0]), std::stod(size[1]));
        if (shared.system.setAttributeValue(*element, attr::size, *value).code != ax::success)
            state.SkipWithError("resize failed");
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_GdbusResize(benchmark::State& state) {
    const auto id = QString::number(desktop().demoWindow);
    int turn = 0;
    for (auto _ : state) {
        const auto* size = sizes[turn++ % 2];
        if (gdbusCall(QStringLiteral("Resize"),
                      {id, QString::fromLatin1(size[0]), QString::fromLatin1(size[1])}) != 0)
            state.SkipWithError("gdbus failed");
    }
}

BENCHMARK(BM_VarnicDiscovery)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GdbusListWindows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VarnicResize)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_GdbusResize)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace varnic

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
