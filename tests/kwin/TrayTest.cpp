// The real program on a real KWin: a panel's host (the watcher stand-in, its
// clicks sent as the host would) opens Varnic's tray menu, the "720p (HD)"
// item resizes the native Wayland window that had the focus, and quitting
// unloads Varnic's KWin scripts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "tests/kwin/KWinSession.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::KWinSession;
using ::testing::StartsWith;

TEST(KWinTrayTest, MenuItemResizesTheFocusedNativeWindowAndQuitUnloadsTheScripts) {
    KWinSession session;
    const auto gtk = session.spawn({"gtk3-demo"}, {"GDK_BACKEND=wayland"});
    // The oracle's view and XWayland's window list send no event: checked again until they fit.
    ASSERT_TRUE(KWinSession::waitUntil([&] { return session.frameSize("gtk3-demo").has_value(); }));
    const auto shown = [&](std::size_t windows) {
        return KWinSession::waitUntil([&] {
            std::istringstream ids(
                session.run({"xdotool", "search", "--onlyvisible", "--class", "varnic"}));
            return std::distance(std::istream_iterator<std::string>(ids), {}) == long(windows);
        });
    };
    const auto watcher = session.spawn({VARNIC_SNI_WATCHER});
    ASSERT_EQ(watcher->readLine(10s), "ready");
    const auto varnic = session.spawn(
        {VARNIC_BINARY}, {"QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + session.logDirectory()});
    EXPECT_THAT(varnic->awaitLine("Window system: ", 10s),
                ::testing::Optional(StartsWith("Window system: KDE Plasma on Wayland, KWin " +
                                               std::to_string(session.plasma()) + ".")));
    const auto item = watcher->readLine(10s);
    ASSERT_THAT(item, ::testing::Optional(StartsWith("item ")));
    std::istringstream words(*item);
    std::string service, path;
    words >> service >> service >> path;
    const auto click = [&](const std::string& method) {
        return session
                   .run({"dbus-send", "--session", "--print-reply", "--reply-timeout=5000",
                         "--dest=" + service, path, "org.kde.StatusNotifierItem." + method,
                         "int32:1800", "int32:10"})
                   .find("method return") == 0;
    };

    ASSERT_TRUE(click("ContextMenu"));
    ASSERT_TRUE(shown(1)) << "the menu";
    // "Resize to..." and its first item, then the second: "720p (HD)".
    session.run({"xdotool", "key", "Down", "Right"});
    ASSERT_TRUE(shown(2)) << "the presets";
    session.run({"xdotool", "key", "Down", "Return"});
    EXPECT_TRUE(varnic->awaitLine("Successfully resized gtk3-demo to 1280.0x720.0", 10s));
    EXPECT_EQ(session.frameSize("gtk3-demo"), "1280x720");

    // The panel takes the focus; its discovery still names the window that had
    // it, by whichever route: KWin may not have moved the focus yet.
    ASSERT_TRUE(click("Activate"));
    const std::vector<std::string> targeted{
        "fetchActiveWindowInfo: using last non-self app pid=" + std::to_string(gtk->pid()) +
            " app=gtk3-demo",
        "fetchActiveWindowInfo: system-wide focused window title for gtk3-demo=Application "
        "Class"};
    bool named = false;
    while (!named && varnic->awaitLine("fetchActiveWindowInfo: ", 10s)) {
        named = std::ranges::find(targeted, varnic->seen().back()) != targeted.end();
    }
    EXPECT_TRUE(named) << "the panel's discovery targets gtk3-demo";
    ASSERT_TRUE(click("Activate"));
    ASSERT_TRUE(shown(0)) << "the panel closed";
    // KWin hands the focus on only after the panel is gone, and a menu opened
    // before that would lose the focus, and close, at once.
    ASSERT_TRUE(KWinSession::waitUntil([&] {
        const auto active = session.run({"xdotool", "getactivewindow"});
        return active.empty() ||
               session.run({"xdotool", "search", "--class", "varnic"}).find(active) ==
                   std::string::npos;
    })) << "the focus left Varnic";

    ASSERT_TRUE(click("ContextMenu"));
    ASSERT_TRUE(shown(1)) << "the menu again";
    EXPECT_TRUE(session.scriptLoaded("varnic"));
    // "Quit" is the last item; Up wraps round to it.
    session.run({"xdotool", "key", "Up", "Return"});
    EXPECT_TRUE(KWinSession::waitUntil([&] { return !varnic->running(); })) << "Varnic quit";
    EXPECT_FALSE(session.scriptLoaded("varnic"));
    EXPECT_FALSE(session.scriptLoaded("varnic-resize"));
    if (HasFailure()) {
        for (const auto& line : varnic->seen()) std::cerr << "varnic: " << line << "\n";
    }
}

}  // namespace
}  // namespace varnic
