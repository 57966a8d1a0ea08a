#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <tuple>

#include "app/MenuBarManager.h"
#include "app/SignalQuit.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/FakeWindowSystem.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"

namespace varnic {
namespace {

class MenuBarManagerTest : public ::testing::Test {
  protected:
    MenuBarManagerTest() {
        menuBar.setup(accessibility, [this](QWidget* parent) {
            ++panelsMade;
            return new QLabel("content", parent);
        });
    }
    ~MenuBarManagerTest() override { menuBar.popover()->hide(); }

    FakeWindowSystem system;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    int panelsMade = 0;
    std::shared_ptr<AccessibilityManager> accessibility =
        AccessibilityManager::create(system, shell, queue);
    MenuBarManager menuBar;
};

// A permission withdrawn since the last look shows at the next opening.
TEST_F(MenuBarManagerTest, EachOpeningChecksThePermissionAndShowsTheSamePanel) {
    for (const auto& [trusted, opens, authorized] :
         {std::tuple(false, true, false), std::tuple(true, false, false),
          std::tuple(true, true, true)}) {
        system.trusted = trusted;
        menuBar.togglePopover();
        EXPECT_EQ(menuBar.popover()->isVisible(), opens);
        EXPECT_EQ(accessibility->isAuthorized.get(), authorized)
            << "each opening checks, a closing does not";
    }
    EXPECT_EQ(panelsMade, 1);
}

// A signal ends the event loop the way "Quit" does, so exec() returns 0 and
// everything set up around it is taken down; afterwards the defaults are back.
TEST(SignalQuit, TermIntAndHupEndTheEventLoopWithStatusZero) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        testing::LogCapture log;
        const SignalQuit signalQuit;
        QTimer::singleShot(0, [number] { std::raise(number); });
        // Bounds the wait should the signal never arrive.
        QTimer deadline;
        deadline.callOnTimeout([] { QCoreApplication::exit(1); });
        deadline.start(5000);
        EXPECT_EQ(QApplication::exec(), 0) << sigabbrev_np(number);
        EXPECT_EQ(log.lines(),
                  std::vector<std::string>{std::string("Quitting on SIG") + sigabbrev_np(number)});
    }
    struct sigaction action {};
    ::sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
}

// The panel opens next to the tray icon (or the cursor) and stays on a 1920 x 1200
// screen above a 32-pixel panel.
TEST(PopoverPlacement, StaysOnScreenNextToTheIconOrTheCursor) {
    const QRect screen(0, 0, 1920, 1168);
    const QSize panel(300, 620);
    // clang-format off
    const std::tuple<const char*, QRect, QPoint, QSize, QPoint> cases[]{
        {"tray bottom right: above the icon, pulled left", {1890, 1172, 24, 24}, {}, panel, {1620, 548}},
        {"tray top left: below the icon, pushed right", {4, 4, 24, 24}, {}, panel, {0, 29}},
        {"unknown icon geometry: at the cursor", {}, {960, 1160}, panel, {810, 540}},
        {"taller than the screen: the top stays on it", {}, {960, 1160}, {300, 2000}, {810, 0}}};
    // clang-format on
    for (const auto& [why, icon, cursor, size, expected] : cases) {
        EXPECT_EQ(MenuBarManager::placePopover(icon, cursor, screen, size), expected) << why;
    }
}

}  // namespace
}  // namespace varnic
