// The window manager's activation tracking.
#include <gtest/gtest.h>


#include "tests/core/Desktop.h"

namespace varnic {
namespace {

class WindowManagerTest : public ::testing::Test, protected testing::Desktop {};

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
