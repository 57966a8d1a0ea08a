// Saves the screens as the user sees them, for review: onboarding, the panel
// with and without a target, and while resizing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>

#include "permissions/StartupManager.h"
#include "platform/xdg/AutostartFailure.h"
#include "tests/views/ViewsFixture.h"

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
};

TEST_F(ScreenshotTest, Screens) {
    system.trusted = false;
    accessibility->checkPermission();
    const auto root = makeRoot();
    save(*root, "onboarding");

    system.trusted = true;
    accessibility->checkPermission();
    save(*root, "panel-no-target");

    windowManager->activeWindowInfo.set(TargetWindowInfo{
        "xlogo", "A rather long window title that does not fit on one line <b>at all</b>",
        std::make_shared<AppIcon>(
            AppIcon{48, 48, std::vector<std::uint32_t>(48 * 48, 0xff3478f6u)}),
        812});
    loginItems.failures.push_back(
        failureText(AutostartFailure::entryNotWritten, "Read-only file system"));
    root->startupManager().setEnabled(true);
    save(*root, "panel-target");

    root->findChild<QAbstractButton*>("preset:720p (HD)")->click();
    save(*root, "panel-resizing");
}

}  // namespace
}  // namespace varnic
