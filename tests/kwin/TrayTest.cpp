// The real program on a real KWin: the panel's host (the watcher stand-in)
// opens Varnic's tray menu, the "720p (HD)" item resizes the native Wayland
// window that had the focus, and quitting unloads Varnic's KWin scripts.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include "tests/kwin/KWinSession.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::KWinSession;
using ::testing::StartsWith;

// Checks again until done() holds, for state that sends no event (the oracle's
// view, XWayland's window list); bounded.
bool waitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

class KWinTrayTest : public ::testing::Test {
  protected:
    std::size_t varnicWindows() {
        std::istringstream ids(
            session.run({"xdotool", "search", "--onlyvisible", "--class", "varnic"}));
        std::size_t count = 0;
        for (std::string id; ids >> id;) ++count;
        return count;
    }
    // Lines of Varnic's log up to the one wanted, which is returned.
    std::optional<std::string> awaitLog(ChildProcess& varnic, const std::string& wanted) {
        while (auto line = varnic.readLine(10s)) {
            log.push_back(*line);
            if (line->rfind(wanted, 0) == 0) return line;
        }
        return std::nullopt;
    }

    KWinSession session;
    std::vector<std::string> log;
};

TEST_F(KWinTrayTest, MenuItemResizesTheFocusedNativeWindowAndQuitUnloadsTheScripts) {
    const auto gtk = session.spawn({"gtk3-demo"}, {"GDK_BACKEND=wayland"});
    ASSERT_TRUE(waitUntil([&] { return session.frameSize("gtk3-demo").has_value(); }));

    // The watcher reads its commands from a pipe the test writes.
    char folder[] = "/tmp/varnic-tray-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const auto commands = std::string(folder) + "/commands";
    ASSERT_EQ(mkfifo(commands.c_str(), 0600), 0);
    ChildProcess watcher({"sh", "-c", "exec \"$0\" <\"$1\"", VARNIC_SNI_WATCHER, commands}, {},
                         std::string(folder) + "/watcher.log");
    const int panel = open(commands.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(panel, 0);
    ASSERT_EQ(watcher.readLine(10s), "ready");
    auto click = [&](const std::string& command) {
        const auto line = command + " 1800 10\n";
        return write(panel, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    };

    const auto varnic = session.spawn(
        {VARNIC_BINARY}, {"QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + std::string(folder)});
    const auto backend = awaitLog(*varnic, "Window system: ");
    ASSERT_TRUE(backend);
    EXPECT_THAT(*backend, StartsWith("Window system: KDE Plasma on Wayland, KWin " +
                                     std::to_string(session.plasma()) + "."));
    ASSERT_THAT(watcher.readLine(10s), ::testing::Optional(StartsWith("item ")));

    ASSERT_TRUE(click("contextmenu"));
    EXPECT_EQ(watcher.readLine(10s), "reply ContextMenu ok");
    ASSERT_TRUE(waitUntil([&] { return varnicWindows() == 1; })) << "the menu";
    // "Resize to..." and its first item, then the second: "720p (HD)".
    session.run({"xdotool", "key", "Down", "Right"});
    ASSERT_TRUE(waitUntil([&] { return varnicWindows() == 2; })) << "the presets";
    session.run({"xdotool", "key", "Down", "Return"});
    EXPECT_TRUE(awaitLog(*varnic, "Found focused window for gtk3-demo"));
    EXPECT_TRUE(awaitLog(*varnic, "Successfully resized gtk3-demo to 1280.0x720.0"));
    EXPECT_EQ(session.frameSize("gtk3-demo"), "1280x720");

    // The panel takes the focus; its discovery still names the window that had
    // it, by whichever route: KWin may not have moved the focus yet.
    ASSERT_TRUE(click("activate"));
    const std::vector<std::string> targeted{
        "fetchActiveWindowInfo: using last non-self app pid=" + std::to_string(gtk->pid()) +
            " app=gtk3-demo",
        "fetchActiveWindowInfo: system-wide focused window title for gtk3-demo=Application "
        "Class"};
    bool named = false;
    while (!named && awaitLog(*varnic, "fetchActiveWindowInfo: ")) {
        named = std::find(targeted.begin(), targeted.end(), log.back()) != targeted.end();
    }
    EXPECT_TRUE(named) << "the panel's discovery targets gtk3-demo";
    ASSERT_TRUE(click("activate"));
    ASSERT_TRUE(waitUntil([&] { return varnicWindows() == 0; })) << "the panel closed";

    ASSERT_TRUE(click("contextmenu"));
    ASSERT_TRUE(waitUntil([&] { return varnicWindows() == 1; })) << "the menu again";
    EXPECT_TRUE(session.scriptLoaded("varnic"));
    // "Quit" is the last item; Up wraps round to it.
    session.run({"xdotool", "key", "Up", "Return"});
    EXPECT_TRUE(waitUntil([&] { return !varnic->running(); })) << "Varnic quit";
    EXPECT_FALSE(session.scriptLoaded("varnic"));
    close(panel);
    std::filesystem::remove_all(folder);
    if (HasFailure()) {
        for (const auto& line : log) std::cerr << "varnic: " << line << "\n";
    }
}

}  // namespace
}  // namespace varnic
