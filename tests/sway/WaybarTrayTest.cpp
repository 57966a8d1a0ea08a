// Varnic's tray icon in waybar under headless sway, used as a person would: a
// pointer (a virtual device of the seat) clicks the icon; the menu is the one
// waybar draws from Varnic's exported menu. waybar 0.9.17 and sway 1.7 from
// this system, or waybar 0.12 and sway 1.10 from the Debian 13 root that
// VARNIC_SWAY_ROOT names (tools/waybar-trixie.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/sway/SwaySession.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::SwaySession;
using Json = nlohmann::json;

struct Point {
    int x = 0;
    int y = 0;
};

// GTK ignores a button release within half a second of a menu or submenu
// opening (so that the press that opened it selects nothing); a click on an
// entry waits that long after the host's call that opened it.
void afterMenuGuard(const std::string& call) {
    const auto at = call.find("time=");
    if (at == std::string::npos) return;
    const std::chrono::duration<double> opened(std::stod(call.substr(at + 5)));
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(opened)) +
        600ms);
}

// Moves the seat's pointer there, and clicks with the button when one is named.
void click(SwaySession& session, Point at, const std::string& button = {}) {
    session.swaymsg({"seat", "seat0", "cursor", "set", std::to_string(at.x), std::to_string(at.y)});
    if (button.empty()) return;
    session.swaymsg({"seat", "seat0", "cursor", "press", button});
    session.swaymsg({"seat", "seat0", "cursor", "release", button});
}

// How far the rectangle is from the point (0 when it contains it).
double distance(const Json& rect, Point point) {
    const int x = rect["x"], y = rect["y"], width = rect["width"], height = rect["height"];
    const int dx = std::max({x - point.x, 0, point.x - (x + width)});
    const int dy = std::max({y - point.y, 0, point.y - (y + height)});
    return std::hypot(dx, dy);
}

const char* varnicBinary() {
    const char* chosen = std::getenv("VARNIC_BINARY");
    return chosen && *chosen ? chosen : VARNIC_BINARY;
}

TEST(WaybarTrayTest, TheMenuResizesThePanelOpensBesideTheIconAndQuitEnds) {
    // At output scale 2 too: the bar, the menu, the panel and the sizes in logical units.
    for (const int scale : {1, 2}) {
        SCOPED_TRACE("output scale " + std::to_string(scale));
        SwaySession session;
        // The same 1920x1080 logical pixels, drawn with 1 or 2 pixels per unit.
        session.swaymsg({"output", "HEADLESS-1", "resolution",
                         std::to_string(1920 * scale) + "x" + std::to_string(1080 * scale), "scale",
                         std::to_string(scale)});
        const Point icon{960, 15};
        const auto target = session.start({"foot"});
        // Varnic first, as a session may start it before its bar: the icon
        // goes to the bar's tray once the bar is there.
        auto& varnic = session.TestDesktop::start(
            {varnicBinary()}, {"XDG_CONFIG_HOME=" + session.logDirectory() + "/config"});
        ASSERT_TRUE(varnic.awaitLine("Window system: sway IPC", 10s));
        // The seat gets a pointer; waybar (tests/sway/waybar, copied where a
        // root sees it too) draws a 30 px bar with the tray in its centre.
        const auto pointer = session.spawn({VARNIC_VIRTUAL_POINTER});
        const auto bus = session.spawn({"dbus-monitor", "--session"});
        // It prints its own name's loss once it watches the whole bus.
        ASSERT_TRUE(bus->awaitLine("member=NameLost", 10s)) << "dbus-monitor";
        const auto dir = session.logDirectory();
        for (const std::string name : {"config.json", "style.css"}) {
            std::filesystem::copy_file(VARNIC_WAYBAR_DIR "/" + name, dir + "/" + name);
        }
        const auto waybar = session.spawn(session.inRoot(
            {"waybar", "--config", dir + "/config.json", "--style", dir + "/style.css"}));
        // The next call (or signal) of that name on the session bus.
        const auto awaitCall = [&](const std::string& member) {
            return bus->awaitLine("member=" + member, 10s);
        };
        ASSERT_EQ(pointer->readLine(10s), "ready");
        // waybar reads the item, then its menu, and shows the icon.
        ASSERT_TRUE(awaitCall("GetGroupProperties")) << "waybar shows the icon";

        click(session, icon, "BTN_RIGHT");
        ASSERT_TRUE(awaitCall("AboutToShowGroup")) << "waybar shows Varnic's menu";
        // waybar's menus take no keys on sway 1.7 (its bar has no keyboard
        // interactivity): the pointer opens "Resize to..." and picks "720p (HD)".
        click(session, {icon.x + 60, icon.y + 16});
        const auto submenu = awaitCall("EventGroup");  // "opened"
        ASSERT_TRUE(submenu) << "the presets submenu opened";
        afterMenuGuard(*submenu);
        click(session, {icon.x + 190, icon.y + 39}, "BTN_LEFT");
        ASSERT_TRUE(varnic.awaitLine("Successfully resized ", 10s));
        EXPECT_EQ(session.outerSize(target.id), "1280x720");

        click(session, icon, "BTN_LEFT");
        const auto panel = session.waitForEvent([&](const Json& event) {
            return event.value("change", "") == "new" &&
                   event["container"].value("pid", 0) == varnic.pid();
        });
        ASSERT_TRUE(panel) << "the panel opened";
        const auto id = (*panel)["container"]["id"].get<std::int64_t>();
        // sway maps it tiled (a full-width container right under the bar),
        // floats it just after and centres it; Varnic then moves it beside
        // the icon, which the tree may show a moment later.
        Json last;
        const auto beside = [&] {
            last = session.node(id);
            return last.value("type", "") == "floating_con" && distance(last["rect"], icon) <= 80.0;
        };
        EXPECT_TRUE(SwaySession::waitUntil(beside, 5s)) << last.dump();

        click(session, icon, "BTN_RIGHT");
        const auto menu = awaitCall("AboutToShowGroup");
        ASSERT_TRUE(menu);
        afterMenuGuard(*menu);
        click(session, {icon.x + 40, icon.y + 39}, "BTN_LEFT");  // "Quit"
        EXPECT_EQ(varnic.waitForExit(10s), 0);
    }
}

}  // namespace
}  // namespace varnic
