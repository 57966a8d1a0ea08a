// The real program on a real KWin: the panel's host (the watcher stand-in)
// opens Varnic's tray menu, the "720p (HD)" item resizes the native Wayland
// window that had the focus, and quitting unloads Varnic's KWin scripts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "tests/kwin/KWinSession.h"
#include "tests/wayland/PanelHost.h"
#include "tests/x11/X11Session.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using ::testing::StartsWith;
using testing::X11Session;

TEST(KWinTrayTest, MenuItemResizesTheFocusedNativeWindowAndQuitUnloadsTheScripts) {
    testing::KWinSession session;
    const auto gtk = session.spawn({"gtk3-demo"}, {"GDK_BACKEND=wayland"});
    // The oracle's view and XWayland's window list send no event: checked again until they fit.
    ASSERT_TRUE(X11Session::waitUntil([&] { return session.frameSize("gtk3-demo").has_value(); }));
    const auto shown = [&](std::size_t windows) {
        return X11Session::waitUntil([&] {
            return testing::countWords(session.run(
                       {"xdotool", "search", "--onlyvisible", "--class", "varnic"})) == windows;
        });
    };
    char folder[] = "/tmp/varnic-tray-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    testing::PanelHost panel(folder);

    const auto varnic = session.spawn(
        {VARNIC_BINARY}, {"QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + std::string(folder)});
    EXPECT_THAT(varnic->awaitLine("Window system: ", 10s),
                ::testing::Optional(StartsWith("Window system: KDE Plasma on Wayland, KWin " +
                                               std::to_string(session.plasma()) + ".")));
    ASSERT_THAT(panel.readLine(), ::testing::Optional(StartsWith("item ")));

    ASSERT_TRUE(panel.click("contextmenu", 1800, 10));
    EXPECT_EQ(panel.readLine(), "reply ContextMenu ok");
    ASSERT_TRUE(shown(1)) << "the menu";
    // "Resize to..." and its first item, then the second: "720p (HD)".
    session.run({"xdotool", "key", "Down", "Right"});
    ASSERT_TRUE(shown(2)) << "the presets";
    session.run({"xdotool", "key", "Down", "Return"});
    EXPECT_TRUE(varnic->awaitLine("Found focused window for gtk3-demo", 10s));
    EXPECT_TRUE(varnic->awaitLine("Successfully resized gtk3-demo to 1280.0x720.0", 10s));
    EXPECT_EQ(session.frameSize("gtk3-demo"), "1280x720");

    // The panel takes the focus; its discovery still names the window that had
    // it, by whichever route: KWin may not have moved the focus yet.
    ASSERT_TRUE(panel.click("activate", 1800, 10));
    const std::vector<std::string> targeted{
        "fetchActiveWindowInfo: using last non-self app pid=" + std::to_string(gtk->pid()) +
            " app=gtk3-demo",
        "fetchActiveWindowInfo: system-wide focused window title for gtk3-demo=Application "
        "Class"};
    bool named = false;
    while (!named && varnic->awaitLine("fetchActiveWindowInfo: ", 10s)) {
        named =
            std::find(targeted.begin(), targeted.end(), varnic->seen().back()) != targeted.end();
    }
    EXPECT_TRUE(named) << "the panel's discovery targets gtk3-demo";
    ASSERT_TRUE(panel.click("activate", 1800, 10));
    ASSERT_TRUE(shown(0)) << "the panel closed";
    // KWin hands the focus on only after the panel is gone, and a menu opened
    // before that would lose the focus, and close, at once.
    ASSERT_TRUE(X11Session::waitUntil([&] {
        const auto active = session.run({"xdotool", "getactivewindow"});
        const auto ours = session.run({"xdotool", "search", "--class", "varnic"});
        return testing::countWords(active) == 0 || ours.find(active) == std::string::npos;
    })) << "the focus left Varnic";

    ASSERT_TRUE(panel.click("contextmenu", 1800, 10));
    ASSERT_TRUE(shown(1)) << "the menu again";
    EXPECT_TRUE(session.scriptLoaded("varnic"));
    // "Quit" is the last item; Up wraps round to it.
    session.run({"xdotool", "key", "Up", "Return"});
    EXPECT_TRUE(X11Session::waitUntil([&] { return !varnic->running(); })) << "Varnic quit";
    EXPECT_FALSE(session.scriptLoaded("varnic"));
    EXPECT_FALSE(session.scriptLoaded("varnic-resize"));
    std::filesystem::remove_all(folder);
    if (HasFailure()) {
        for (const auto& line : varnic->seen()) std::cerr << "varnic: " << line << "\n";
    }
}

}  // namespace
}  // namespace varnic
