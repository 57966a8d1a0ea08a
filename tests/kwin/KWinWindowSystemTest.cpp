// The KWin backend against a real headless KWin (Plasma 5 or 6) with real
// Wayland and XWayland clients, on its own KWin and session bus.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>

#include <QtCore/qtestsupport_core.h>

#include "platform/kwin/KWinWindowSystem.h"
#include "tests/kwin/KWinSession.h"
#include "tests/support/LogCapture.h"

namespace varnic {
namespace {

using testing::KWinSession;

constexpr double waitSeconds = 10;
// Activations reach the main thread through its event loop.
constexpr int waitMs = 10000;

// The first mirrored window that holds, once KWin reported one.
std::optional<MirrorWindow> awaitWindow(KWinWindowSystem& system,
                                        const std::function<bool(const MirrorWindow&)>& holds) {
    std::optional<MirrorWindow> found;
    system.awaitWindows(
        [&](const WindowMirror::Windows& windows) {
            const auto it = std::ranges::find_if(windows, holds);
            if (it != windows.end()) found = *it;
            return found.has_value();
        },
        waitSeconds);
    return found;
}

TEST(KWinTest, WindowsTakeExactFramesOrFailTruthfullyAndActivationsAndTrustFollowKWin) {
    testing::LogCapture log;
    auto session = std::make_unique<KWinSession>();
    // A copy left by a Varnic that crashed: replaced, not doubled.
    session->loadIdleScript("varnic");
    auto system = std::make_unique<KWinWindowSystem>();
    const auto awaitWindowOf = [&](Pid pid) {
        return awaitWindow(*system, [&](const MirrorWindow& window) { return window.pid == pid; });
    };
    const auto focusedWindowOf = [&](Pid pid) {
        const auto application = system->createApplication(pid);
        system->setMessagingTimeout(*application, messagingTimeoutSeconds);
        return system->copyAttributeValue(*application, attr::focusedWindow).takeElement();
    };
    const auto resize = [&](const ElementRef& window) {
        return system->setAttributeValue(window, attr::size, *system->createSizeValue(1280, 720))
            .code;
    };
    ASSERT_TRUE(system->isProcessTrusted());
    EXPECT_TRUE(session->scriptLoaded("varnic"));
    std::vector<Pid> activated;
    const auto subscription = system->subscribeActivations([&](const ActivationNotification& n) {
        if (n.application) activated.push_back(n.application->processIdentifier);
    });
    auto gtk = session->spawn({"gtk3-demo"}, {"GDK_BACKEND=wayland"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !activated.empty() && activated.back() == gtk->pid(); }, waitMs));
    const auto xlogo = session->spawn({"xlogo"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return activated.back() == xlogo->pid(); }, waitMs));
    // xlogo names no pid; the X server of XWayland knows it.
    ASSERT_TRUE(awaitWindowOf(xlogo->pid()));
    const auto logo = focusedWindowOf(xlogo->pid());
    ASSERT_TRUE(logo);
    EXPECT_EQ(resize(*logo), ax::success);
    EXPECT_EQ(session->frameSize("xlogo"), "1280x720") << "KWin's own view";
    EXPECT_EQ(resize(*logo), ax::success) << "a window already at the size";

    // The native window, maximized first.
    session->maximize("gtk3-demo");
    ASSERT_TRUE(awaitWindow(*system, [&](const MirrorWindow& window) {
        return window.pid == gtk->pid() && window.frame.width == 1920;
    }));
    EXPECT_EQ(resize(*focusedWindowOf(gtk->pid())), ax::success) << "maximized";
    EXPECT_EQ(session->frameSize("gtk3-demo"), "1280x720");

    session->activate(awaitWindowOf(gtk->pid())->appName);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activated.back() == gtk->pid(); }, waitMs));
    EXPECT_EQ(system->frontmostApplication()->processIdentifier, gtk->pid());
    // An X window of the test process, standing for Varnic's panel, is
    // Varnic's own: the panel then targets the application before it.
    auto* x11 = xcb_connect(session->x11Display().c_str(), nullptr);
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(x11)).data;
    const auto own = xcb_generate_id(x11);
    xcb_create_window(x11, XCB_COPY_FROM_PARENT, own, screen->root, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    // It names its pid, as every Qt window does.
    auto* atom = xcb_intern_atom_reply(x11, xcb_intern_atom(x11, 0, 11, "_NET_WM_PID"), nullptr);
    const auto pid = static_cast<std::uint32_t>(getpid());
    xcb_change_property(x11, XCB_PROP_MODE_REPLACE, own, atom->atom, XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    std::free(atom);
    xcb_map_window(x11, own);
    xcb_flush(x11);
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated.back() == getpid(); }, waitMs));
    xcb_disconnect(x11);

    // A window of one size: a truthful failure. The frame is whatever KWin
    // draws around the client: with Breeze a title bar, without a decoration
    // plugin none.
    const auto fixed = session->spawn({VARNIC_FIXED_CLIENT, "a \"fixed\" {size}\\"});
    ASSERT_TRUE(awaitWindowOf(fixed->pid()));
    const auto before = session->frameSize("windows.py");
    ASSERT_TRUE(before);
    const auto window = focusedWindowOf(fixed->pid());
    ASSERT_TRUE(window);
    const auto title = system->copyAttributeValue(*window, attr::title);
    ASSERT_TRUE(title.text());
    EXPECT_EQ(*title.text(), "a \"fixed\" {size}\\")
        << "a title that is JSON syntax arrives intact";
    EXPECT_EQ(resize(*window), ax::failure);
    EXPECT_EQ(session->frameSize("windows.py"), before);

    // A window that closed is no longer there to resize.
    const auto closing = focusedWindowOf(gtk->pid());
    ASSERT_TRUE(closing);
    gtk.reset();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return system->copyAttributeValue(*closing, attr::title).code == ax::invalidUIElement;
        },
        waitMs));
    EXPECT_EQ(resize(*closing), ax::invalidUIElement);

    // Trust follows KWin: it quitting makes every call an ordinary failure,
    // said once; a new KWin gets the script again.
    session.reset();
    // KWin's leaving reaches Varnic as a bus signal, on its own time.
    EXPECT_TRUE(KWinSession::waitUntil([&] { return !system->isProcessTrusted(); }));
    EXPECT_EQ(resize(*logo), ax::cannotComplete);
    EXPECT_FALSE(system->copyWindowList());
    EXPECT_FALSE(system->frontmostApplication());
    EXPECT_EQ(std::ranges::count(log.lines(), "KWin: org.kde.KWin is not on the session bus"), 1);
    session = std::make_unique<KWinSession>();
    EXPECT_TRUE(system->isProcessTrusted());
    EXPECT_TRUE(system->copyWindowList());
    // Quitting takes Varnic's scripts out of KWin.
    system.reset();
    EXPECT_FALSE(session->scriptLoaded("varnic"));
}

}  // namespace
}  // namespace varnic
