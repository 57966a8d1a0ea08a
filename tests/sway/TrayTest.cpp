// Varnic's tray icon on a Wayland session: a StatusNotifierItem that the
// panel's host (the watcher stand-in) clicks; the menu and the panel are
// XWayland windows.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "tests/sway/SwaySession.h"
#include "tests/x11/X11Session.h"

#ifndef VARNIC_BINARY
#error "VARNIC_BINARY must name the varnic program"
#endif
#ifndef VARNIC_SNI_WATCHER
#error "VARNIC_SNI_WATCHER must name the StatusNotifierWatcher stand-in"
#endif

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using ::testing::StartsWith;
using testing::SwaySession;
using testing::X11Session;

class SwayTrayTest : public ::testing::Test {
  protected:
    static constexpr auto backendLine = "Window system: sway IPC (sway 1.7)";

    std::unique_ptr<ChildProcess> startVarnic() {
        auto env = session.environment();
        env.push_back("XDG_CONFIG_HOME=" + session.logDirectory() + "/config");
        auto varnic = std::make_unique<ChildProcess>(std::vector<std::string>{VARNIC_BINARY}, env,
                                                     session.logDirectory() + "/varnic.err");
        return varnic;
    }
    // Varnic's visible windows on the XWayland display, as "WIDTHxHEIGHT".
    std::vector<std::string> varnicWindows() {
        std::istringstream ids(
            session.run({"xdotool", "search", "--onlyvisible", "--class", "varnic"}));
        std::vector<std::string> sizes;
        for (std::string id; ids >> id;) {
            std::istringstream shell(session.run({"xdotool", "getwindowgeometry", "--shell", id}));
            std::string width;
            std::string height;
            for (std::string line; std::getline(shell, line);) {
                if (line.rfind("WIDTH=", 0) == 0) width = line.substr(6);
                if (line.rfind("HEIGHT=", 0) == 0) height = line.substr(7);
            }
            sizes.push_back(width + "x" + height);
        }
        return sizes;
    }

    SwaySession session;
};

TEST_F(SwayTrayTest, PanelHostOpensTheMenuAndThePanelOnXWayland) {
    // The watcher reads its commands from a pipe the test writes.
    const auto commands = session.logDirectory() + "/watcher-commands";
    ASSERT_EQ(mkfifo(commands.c_str(), 0600), 0);
    ChildProcess watcher({"sh", "-c", "exec \"$0\" <\"$1\"", VARNIC_SNI_WATCHER, commands}, {},
                         session.logDirectory() + "/watcher.log");
    const int panel = open(commands.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(panel, 0);
    ASSERT_EQ(watcher.readLine(10s), "ready");
    const auto varnic = startVarnic();
    EXPECT_EQ(varnic->readLine(10s), backendLine) << "no word about a missing tray";
    ASSERT_THAT(watcher.readLine(10s), ::testing::Optional(StartsWith("item ")));
    auto click = [&](const std::string& command) {
        const auto line = command + " 300 400\n";
        ASSERT_EQ(write(panel, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    };

    click("contextmenu");
    EXPECT_EQ(watcher.readLine(10s), "reply ContextMenu ok");
    EXPECT_TRUE(X11Session::waitUntil([&] { return !varnicWindows().empty(); }))
        << "the menu is an X11 window Varnic placed itself";
    session.run({"xdotool", "key", "Escape"});

    click("activate");
    EXPECT_EQ(watcher.readLine(10s), "reply Activate ok");
    EXPECT_TRUE(X11Session::waitUntil([&] {
        const auto windows = varnicWindows();
        return std::any_of(windows.begin(), windows.end(), [](const std::string& size) {
            return size.size() > 4 && std::stoi(size.substr(size.find('x') + 1)) >= 200;
        });
    })) << "the panel opened";
    close(panel);
}

TEST_F(SwayTrayTest, WithoutAHostVarnicSaysSoAtStartUp) {
    const auto varnic = startVarnic();
    EXPECT_EQ(varnic->readLine(10s),
              "Tray: no StatusNotifierItem host on the session bus and no XEmbed tray on the "
              "display; Varnic's icon cannot be shown");
    EXPECT_EQ(varnic->readLine(10s), backendLine);
}

}  // namespace
}  // namespace varnic
