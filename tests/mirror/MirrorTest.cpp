// The mirror's rules, the same on sway, i3, KWin and GNOME, fed by a source
// scripted like a compositor's events.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/mirror/MirrorWindowSystem.h"
#include "tests/support/LogCapture.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;

// A compositor whose windows take the frame the test scripts.
class ScriptedSource : public WindowSource {
  public:
    bool current() override { return true; }
    SizeWriteResult resize(const MirrorWindow& window, Size size, Deadline) override {
        return MirrorWindowSystem::verdict("Test: ", window, size, took);
    }
    MirrorRect took;
};

class ScriptedSystem : public MirrorWindowSystem {
  public:
    explicit ScriptedSystem(WindowSource& source) : MirrorWindowSystem(source) {}
    PermissionGuide permissionGuide() const override { return {}; }
};

MirrorWindow window(std::string id, std::optional<Pid> pid, std::string app, MirrorRect frame) {
    MirrorWindow made;
    made.id = std::move(id);
    made.pid = pid;
    made.appName = std::move(app);
    made.title = "title of " + made.id;
    made.frame = frame;
    return made;
}

class MirrorTest : public ::testing::Test {
  protected:
    ScriptedSource source;
    ScriptedSystem system{source};
    WindowMirror& mirror = system.mirror();
    const Pid self = getpid();
    const Pid other = 1;  // init: a process that exists and is not this one

    std::string windowOf(Pid pid, std::string_view attribute) {
        const auto app = system.createApplication(pid);
        auto result = system.copyAttributeValue(*app, attribute);
        const auto* element = dynamic_cast<const MirrorElement*>(result.element());
        return element ? element->window() : "";
    }
};

TEST_F(MirrorTest, TheWindowToResizeTheListAndTheApplicationsFollowTheEvents) {
    auto dialog = window("dialog", self, "", {10, 10, 300, 200});
    dialog.normal = false;
    mirror.opened(window("main", self, "", {0, 0, 800, 600}));
    mirror.opened(dialog);
    mirror.opened(window("tool", other, "Tool", {0, 0, 49, 49}));
    auto panel = window("panel", other, "Tool", {0, 0, 1920, 30});
    panel.role = MirrorWindow::Role::dock;
    mirror.opened(panel);
    mirror.focused("dialog");

    EXPECT_EQ(windowOf(self, attr::mainWindow), "main") << "a dialog is not the main window";
    EXPECT_EQ(windowOf(other, attr::focusedWindow), "tool") << "the front-most, not the panel";
    // A report without a pid (an X client not looked up yet) keeps the known one.
    mirror.changed(window("tool", std::nullopt, "Tool", {0, 0, 49, 49}));
    EXPECT_EQ(windowOf(other, attr::focusedWindow), "tool");

    auto stacked = window("main", self, "", {0, 0, 800, 600});
    stacked.stacking = 5;
    mirror.changed(stacked);
    auto hidden = window("hidden", other, "Tool", {0, 0, 640, 480});
    hidden.minimized = true;
    mirror.opened(hidden);
    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    std::vector<std::string> names;
    for (const auto& entry : *list) names.push_back(*entry.windowName + " of " + *entry.ownerName);
    const auto me = *system.runningApplication(self)->localizedName;
    EXPECT_THAT(names, ElementsAre("title of main of " + me, "title of dialog of " + me,
                                   "title of panel of Tool", "title of tool of Tool"))
        << "stacking first, then the order of raising; a minimized window is not on screen; "
           "without an app id the process names the owner";

    // An application no taskbar shows is not one to resize.
    auto skipped = *mirror.find("tool");
    skipped.skipTaskbar = true;
    mirror.changed(skipped);
    hidden.skipTaskbar = true;
    mirror.changed(hidden);
    EXPECT_EQ(system.runningApplication(other)->activationPolicy, ActivationPolicy::accessory);
}

TEST_F(MirrorTest, OneVerdictOnEveryDesktop) {
    auto xterm = window("xterm", self, "XTerm", {0, 0, 484, 316});
    // 6x13 cells from a base of 4x4 inside a frame of 2x25.
    xterm.limits = SizeLimits{{1, 32767, 4, 6}, {1, 32767, 4, 13}}.outer(2, 25);
    mirror.opened(xterm);
    const auto size = *system.createSizeValue(1280.4, 719.6);
    EXPECT_EQ(size.size.width, 1280) << "compositors take whole pixels";
    auto resize = [&](const std::string& id, MirrorRect took) {
        source.took = took;
        return system.setAttributeValue(*MirrorElement::window(id, std::nullopt), attr::size, size);
    };
    testing::LogCapture log;

    EXPECT_EQ(resize("xterm", {0, 0, 1280, 720}).code, ax::success);
    const auto stepped = resize("xterm", {0, 0, 1278, 718});
    EXPECT_EQ(stepped.code, ax::success);
    ASSERT_TRUE(stepped.nearest);
    EXPECT_EQ(stepped.nearest->reason, "it sizes in steps of 6x13");
    EXPECT_EQ(resize("xterm", {0, 0, 1000, 700}).code, ax::failure) << "more than a step away";
    // A window held at its minimum or maximum is a failure too: the KWin, i3
    // and GNOME tests show it with windows of one size.
    EXPECT_THAT(log.lines(),
                ElementsAre("Test: the compositor kept window xterm (XTerm) at 1000x700 instead "
                            "of 1280x720: it sizes in steps of 6x13"));
}

}  // namespace
}  // namespace varnic
