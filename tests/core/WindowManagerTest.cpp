// The window manager's state: the preset table and activation tracking.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/core/Desktop.h"

namespace varnic {
namespace {

class WindowManagerTest : public ::testing::Test, protected testing::Desktop {};

TEST_F(WindowManagerTest, PresetsAreTheTwelveSizesInOrder) {
    std::ostringstream table;
    for (const auto& p : manager->presets())
        table << p.name << " " << p.width << "x" << p.height << "; ";
    EXPECT_EQ(table.str(),
              "1080p (Full HD) 1920x1080; 720p (HD) 1280x720; 1440p (QHD) 2560x1440; "
              "4K (UHD) 3840x2160; Social Square 1080x1080; Social Story 1080x1920; "
              "Social Wide 1920x1080; MacBook 13\" 2560x1600; MacBook 14\" 3024x1964; "
              "MacBook 16\" 3456x2234; iPad Pro 12.9\" 2732x2048; iPhone 15 Pro 1179x2556; ");
}

TEST_F(WindowManagerTest, TracksTheLastActivatedApplicationThatIsNotVarnicUntilDestroyed) {
    const auto activate = [&](Pid pid, std::optional<std::string> bundle) {
        RunningApplication info;
        info.processIdentifier = pid;
        info.bundleIdentifier = std::move(bundle);
        system.postActivation({info});
        return manager->lastNonSelfFrontmostPID();
    };
    EXPECT_EQ(activate(812, "/usr/bin/xterm"), 812);
    EXPECT_EQ(activate(system.selfPid, system.ownBundle), 812) << "Varnic's own activation";
    system.postActivation(ActivationNotification{});
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 812) << "a notification without application";
    EXPECT_EQ(activate(900, std::nullopt), 900) << "no identifier differs from Varnic's";
    system.ownBundle.reset();
    EXPECT_EQ(activate(901, std::nullopt), 900) << "both absent counts as Varnic itself";
    EXPECT_EQ(activate(4242, "/usr/bin/other"), 4242) << "recognised by identifier, not pid";
    EXPECT_FALSE(manager->activeWindowInfo.get()) << "tracking never touches the target";

    EXPECT_EQ(system.activationSubscribers(), 1u);
    manager.reset();
    EXPECT_EQ(system.activationSubscribers(), 0u) << "stops listening when destroyed";
    system.postActivation(ActivationNotification{RunningApplication{}});
}

}  // namespace
}  // namespace varnic
