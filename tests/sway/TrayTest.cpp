// Varnic's tray icon on a Wayland session: a StatusNotifierItem that the
// panel's host (the watcher stand-in) clicks; the menu and the panel are
// XWayland windows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/sway/SwaySession.h"
#include "tests/wayland/PanelHost.h"
#include "tests/x11/X11Session.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using ::testing::StartsWith;
using testing::X11Session;

TEST(SwayTrayTest, WithoutAHostVarnicSaysSoAndAHostOpensTheMenuAndThePanel) {
    testing::SwaySession session;
    auto env = session.environment();
    env.push_back("XDG_CONFIG_HOME=" + session.logDirectory() + "/config");
    const auto backendLine = "Window system: sway IPC (sway 1.7)";
    auto varnic = std::make_unique<ChildProcess>(std::vector<std::string>{VARNIC_BINARY}, env,
                                                 session.logDirectory() + "/varnic.err");
    EXPECT_EQ(varnic->readLine(10s),
              "Tray: no StatusNotifierItem host on the session bus and no XEmbed tray on the "
              "display; Varnic's icon cannot be shown");
    EXPECT_EQ(varnic->readLine(10s), backendLine);
    varnic.reset();

    testing::PanelHost panel(session.logDirectory());
    varnic = std::make_unique<ChildProcess>(std::vector<std::string>{VARNIC_BINARY}, env,
                                            session.logDirectory() + "/varnic.err");
    EXPECT_EQ(varnic->readLine(10s), backendLine) << "no word about a missing tray";
    ASSERT_THAT(panel.readLine(), ::testing::Optional(StartsWith("item ")));
    const auto shown = [&](std::size_t windows) {
        return X11Session::waitUntil([&] {
            return testing::countWords(session.run(
                       {"xdotool", "search", "--onlyvisible", "--class", "varnic"})) == windows;
        });
    };

    ASSERT_TRUE(panel.click("contextmenu", 300, 400));
    EXPECT_EQ(panel.readLine(), "reply ContextMenu ok");
    EXPECT_TRUE(shown(1)) << "the menu is an X11 window Varnic placed itself";
    session.run({"xdotool", "key", "Escape"});
    ASSERT_TRUE(shown(0));
    ASSERT_TRUE(panel.click("activate", 300, 400));
    EXPECT_EQ(panel.readLine(), "reply Activate ok");
    EXPECT_TRUE(shown(1)) << "the panel opened";
}

}  // namespace
}  // namespace varnic
