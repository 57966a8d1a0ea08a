// What a hostile client, a silent window manager or a flood of windows can do
// to a resize, checked by what the user sees: which window changed size, the
// log, and whether the application kept handling its input meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/x11/X11WindowSystem.h"
#include "support/Responsive.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"
#include "windows/WindowManager.h"
#include "windows/WindowResizer.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::X11Session;
using Clock = std::chrono::steady_clock;

// A connection of the test's own, playing Varnic's panel, a hostile client
// or a window manager that never answers.
class Peer {
  public:
    explicit Peer(const std::string& display)
        : c_(xcb_connect(display.c_str(), nullptr)),
          root_(xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root) {}
    ~Peer() { xcb_disconnect(c_); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    xcb_window_t root() const { return root_; }
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const auto atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }
    void set(xcb_window_t window, const char* name, xcb_atom_t type,
             const std::vector<std::uint32_t>& items) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom(name), type, 32,
                            static_cast<std::uint32_t>(items.size()), items.data());
        sync();
    }
    void setText(xcb_window_t window, const char* name, const std::string& text) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom(name), atom("UTF8_STRING"), 8,
                            static_cast<std::uint32_t>(text.size()), text.data());
        sync();
    }
    xcb_window_t createWindow(bool mapped) {
        const auto window = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (mapped) xcb_map_window(c_, window);
        sync();
        return window;
    }
    // Every request of other clients to map or configure a window, and every
    // message to the window manager, comes to this connection from now on.
    void redirectAndNeverAnswer() {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        sync();
    }

  private:
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_;
    xcb_window_t root_;
};

// The longest stretch in which the application got no turn to handle input.
// Time the thread spent ready but waiting for a CPU (other programs' load on
// the machine) is not the application's doing and does not count.
class InputGaps {
  public:
    InputGaps() {
        Responsive::install([this] { note(); });
    }
    ~InputGaps() { Responsive::install(nullptr); }
    InputGaps(const InputGaps&) = delete;
    InputGaps& operator=(const InputGaps&) = delete;

    Clock::duration longest() {
        note();
        return longest_;
    }

  private:
    // Nanoseconds this thread has waited on a run queue, from the kernel's schedstat.
    static Clock::duration waitedForCpu() {
        std::ifstream stat("/proc/thread-self/schedstat");
        long long onCpu = 0, waiting = 0;
        stat >> onCpu >> waiting;
        return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(waiting));
    }
    void note() {
        const auto now = Clock::now();
        const auto waited = waitedForCpu();
        longest_ = std::max(longest_, (now - last_) - (waited - waitedLast_));
        last_ = now;
        waitedLast_ = waited;
    }

    Clock::time_point last_ = Clock::now();
    Clock::duration waitedLast_ = waitedForCpu();
    Clock::duration longest_{};
};

long long millis(Clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}

// The panel named application A; A quits while Varnic waits for its panel to
// hide, and B is frontmost by then.
TEST(HostileInput, ATargetThatQuitsDuringThePauseLeavesEveryOtherWindowAlone) {
    X11Session session;
    auto& a = session.startTestClient({"--title", "A"});
    auto& b = session.startTestClient({"--title", "B"});
    // This process plays Varnic: its own window is the active one.
    Peer varnic(session.display());
    const auto panel = varnic.createWindow(true);
    ASSERT_TRUE(X11Session::waitUntil([&] {
        const auto list = session.clientList();
        return std::find(list.begin(), list.end(), panel) != list.end();
    }));
    session.run({"xdotool", "windowactivate", "--sync", std::to_string(panel)});
    X11WindowSystem system(session.display().c_str());
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, shell, queue);
    const auto bBefore = session.frameGeometry(b.windows.front());
    const auto aPid = a.pid();
    testing::LogCapture log;

    manager->resizeActiveWindow(aPid, 1920, 1080);
    ASSERT_EQ(shell.hideCount, 1);
    session.stopClient(a);
    session.run({"xdotool", "windowactivate", "--sync", std::to_string(b.windows.front())});
    queue.advance(0.5);

    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"The target application (pid " + std::to_string(aPid) +
                                       ") is gone; no window was resized"});
    const auto bAfter = session.frameGeometry(b.windows.front());
    EXPECT_EQ(std::pair(bAfter.width, bAfter.height), std::pair(bBefore.width, bBefore.height))
        << "B keeps its size";
}

// A window manager that holds _NET_SUPPORTING_WM_CHECK and redirects every
// request to itself, then reads none of them.
TEST(HostileInput, ASilentWindowManagerIsNamedAndInputIsHandledWhileItSaysNothing) {
    X11Session session(false);
    auto& client = session.startTestClient({"--title", "waiting"});
    const auto window = client.windows.front();
    Peer wm(session.display());
    const auto check = wm.createWindow(false);
    for (const auto holder : {check, wm.root()}) {
        wm.set(holder, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, {check});
    }
    wm.set(wm.root(), "_NET_SUPPORTED", XCB_ATOM_ATOM,
           {wm.atom("_NET_ACTIVE_WINDOW"), wm.atom("_NET_CLIENT_LIST_STACKING"),
            wm.atom("_NET_MOVERESIZE_WINDOW")});
    wm.set(wm.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, {window});
    wm.set(wm.root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {window});
    wm.redirectAndNeverAnswer();
    X11WindowSystem system(session.display().c_str());
    ASSERT_TRUE(system.isProcessTrusted()) << "it passes for a window manager";
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, shell, queue);
    testing::LogCapture log;

    InputGaps gaps;
    const auto start = Clock::now();
    manager->resizeActiveWindow(std::nullopt, 640, 480);
    const auto elapsed = Clock::now() - start;

    EXPECT_LT(gaps.longest(), 100ms) << "longest without input: " << millis(gaps.longest());
    EXPECT_LT(elapsed, 6s) << "2 s for each of the two attempts: " << millis(elapsed);
    EXPECT_THAT(log.lines(),
                Contains("X11: the window manager did not answer the resize of window " +
                         X11Session::hex(window) + " in time"));
    EXPECT_THAT(log.lines(), Not(Contains(HasSubstr("no answer from the X server"))))
        << "the X server answered";
    EXPECT_EQ(session.clientGeometry(window).width, 300u);
}

// A root window listing 2^20 windows, of which 65,536 are read.
TEST(HostileInput, AHugeWindowListIsReadWhileInputIsHandled) {
    X11Session session(false);
    session.startTestClient({"--root-stacking", "1048576"});
    X11WindowSystem system(session.display().c_str());
    testing::LogCapture log;

    InputGaps gaps;
    const auto start = Clock::now();
    system.copyWindowList();
    const auto elapsed = Clock::now() - start;

    EXPECT_LT(gaps.longest(), 100ms) << "longest without input: " << millis(gaps.longest());
    EXPECT_LT(elapsed, 4s) << "bounded by the 2 s deadline: " << millis(elapsed);
}

// _NET_FRAME_EXTENTS of 10000 on every side: the size is still the outer
// frame's, measured on the window manager's frame window.
TEST(HostileInput, AbsurdFrameExtentsGiveWayToTheMeasuredFrame) {
    X11Session session;
    auto& client = session.startTestClient({"--title", "liar"});
    const auto window = client.windows.front();
    Peer liar(session.display());
    liar.set(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, {10000, 10000, 10000, 10000});
    X11WindowSystem system(session.display().c_str());
    auto focused =
        system.copyAttributeValue(*system.createApplication(client.pid()), attr::focusedWindow);
    const auto element = focused.takeElement();
    ASSERT_TRUE(element);

    const auto result =
        system.setAttributeValue(*element, attr::size, *system.createSizeValue(1280, 720));

    const auto frame = session.frameGeometry(window);
    EXPECT_EQ(std::pair(frame.width, frame.height), std::pair(1280u, 720u))
        << "as the X server says";
    EXPECT_EQ(result.code, ax::success);
}

// A title of a megabyte of three-byte characters behind a right-to-left mark.
TEST(HostileInput, LongTitlesEndOnAWholeCharacterAndFormatCharactersAreEscaped) {
    X11Session session;
    auto& client = session.startTestClient({"--title", "short"});
    std::string title = "\u200F";
    while (title.size() < 1024 * 1024) title += "\u20AC";
    Peer hostile(session.display());
    hostile.setText(client.windows.front(), "_NET_WM_NAME", title);
    X11WindowSystem system(session.display().c_str());
    testing::LogCapture log;

    WindowResizer(system).resizeWindow(RunningApplication{client.pid(), "hostile", {}, {}}, 640,
                                       480);

    const auto targeting = std::find_if(log.lines().begin(), log.lines().end(), [](auto& line) {
        return line.starts_with("Targeting window: ");
    });
    ASSERT_NE(targeting, log.lines().end());
    std::string expected = "Targeting window: \\u{200F}";
    // 64 KiB hold the mark's 3 bytes and 21,844 whole characters of 3 bytes.
    for (int i = 0; i < 21844; ++i) expected += "\u20AC";
    EXPECT_EQ(*targeting, expected);
}

}  // namespace
}  // namespace varnic
