// The window manager's state: the preset table and activation tracking.
#include <gtest/gtest.h>

#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/VirtualClockQueue.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

TEST(WindowManager, PresetsAreTheTwelveSizesInOrder) {
    FakeWindowSystem system;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, queue);
    const std::vector<std::tuple<std::string, int, int>> expected{
        {"1080p (Full HD)", 1920, 1080}, {"720p (HD)", 1280, 720},
        {"1440p (QHD)", 2560, 1440},     {"4K (UHD)", 3840, 2160},
        {"Social Square", 1080, 1080},   {"Social Story", 1080, 1920},
        {"Social Wide", 1920, 1080},     {"MacBook 13\"", 2560, 1600},
        {"MacBook 14\"", 3024, 1964},    {"MacBook 16\"", 3456, 2234},
        {"iPad Pro 12.9\"", 2732, 2048}, {"iPhone 15 Pro", 1179, 2556},
    };
    ASSERT_EQ(manager->presets().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& preset = manager->presets()[i];
        EXPECT_EQ(std::tie(preset.name, preset.width, preset.height),
                  std::tie(std::get<0>(expected[i]), std::get<1>(expected[i]),
                           std::get<2>(expected[i])));
    }
}

TEST(WindowManager, TracksTheLastActivatedApplicationThatIsNotVarnic) {
    FakeWindowSystem system;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, queue);
    auto app = [](Pid pid, std::optional<std::string> bundle) {
        RunningApplication info;
        info.processIdentifier = pid;
        info.bundleIdentifier = std::move(bundle);
        return ActivationNotification{info};
    };

    system.postActivation(app(812, "/usr/bin/xterm"));
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 812);

    system.postActivation(app(system.selfPid, system.ownBundle));
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 812) << "Varnic's own activation is ignored";

    system.postActivation(ActivationNotification{});
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 812) << "a notification without application";

    system.postActivation(app(900, std::nullopt));
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 900) << "no identifier differs from Varnic's";

    system.ownBundle.reset();
    system.postActivation(app(901, std::nullopt));
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 900) << "both absent counts as Varnic itself";

    system.postActivation(app(4242, "/usr/bin/other"));
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 4242) << "recognised by identifier, not pid";
    EXPECT_FALSE(manager->activeWindowInfo.get()) << "tracking never touches the target";
}

TEST(WindowManager, StopsListeningWhenDestroyed) {
    FakeWindowSystem system;
    VirtualClockQueue queue;
    auto manager = WindowManager::create(system, queue);
    EXPECT_EQ(system.activationSubscribers(), 1u);
    manager.reset();
    EXPECT_EQ(system.activationSubscribers(), 0u);
    system.postActivation(ActivationNotification{RunningApplication{}});
}

}  // namespace
}  // namespace varnic
