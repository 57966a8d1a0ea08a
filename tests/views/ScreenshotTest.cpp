// Saves the screens as the user sees them, for review: onboarding, the panel
// with and without a target, and while resizing.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include "permissions/StartupManager.h"
#include "tests/views/ViewsFixture.h"
#include "views/RootView.h"

namespace varnic {
namespace {

class ScreenshotTest : public testing::ViewsFixture {
  protected:
    void save(RootView& root, const QString& name) {
        settle();
        root.adjustSize();
        QApplication::sendPostedEvents();
        QDir().mkpath(VARNIC_SCREENSHOT_DIR);
        const QString file = QStringLiteral(VARNIC_SCREENSHOT_DIR "/") + name + ".png";
        EXPECT_TRUE(root.grab().save(file)) << file.toStdString();
    }

    static std::shared_ptr<const AppIcon> gradientIcon() {
        auto icon = std::make_shared<AppIcon>();
        icon->width = icon->height = 48;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 48; ++x) {
                const bool inside = (x - 24) * (x - 24) + (y - 24) * (y - 24) < 22 * 22;
                icon->argb.push_back(inside ? 0xff000000u | (x * 5u << 16) | (y * 5u << 8) | 0xc0u
                                            : 0u);
            }
        }
        return icon;
    }
};

TEST_F(ScreenshotTest, Screens) {
    system.trusted = false;
    accessibility->checkPermission();
    RootView root(
        queue, accessibility, [this]() -> WindowManager& { return *windowManager; }, loginItems,
        bundle);
    root.show();
    save(root, "onboarding");

    system.trusted = true;
    accessibility->checkPermission();
    save(root, "panel-no-target");

    windowManager->activeWindowInfo.set(TargetWindowInfo{
        "xlogo", "A rather long window title that does not fit on one line <b>at all</b>",
        gradientIcon(), 812});
    loginItems.nextFailure =
        "Cannot create /home/someone/.config/autostart/varnic.desktop: "
        "Read-only file system";
    root.startupManager().setEnabled(true);
    save(root, "panel-target");

    root.findChild<QWidget*>("preset:720p (HD)")
        ->metaObject()
        ->invokeMethod(root.findChild<QWidget*>("preset:720p (HD)"), "click");
    save(root, "panel-resizing");
}

}  // namespace
}  // namespace varnic
