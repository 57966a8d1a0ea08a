#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "permissions/AccessibilityManager.h"
#include "permissions/LoginItemService.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/VirtualClockQueue.h"
#include "platform/qt/AppBundle.h"
#include "tests/support/LogCapture.h"
#include "windows/WindowManager.h"

namespace varnic::testing {

// The bundle the debug lines show; records reveal requests.
class FakeAppBundle : public AppBundle {
public:
    std::optional<std::string> identifier = std::string("/opt/varnic/bin/varnic");
    std::string path = "/opt/varnic/bin/varnic";
    int revealCount = 0;

    std::optional<std::string> bundleIdentifier() override { return identifier; }
    std::string bundlePath() override { return path; }
    void reveal() override { ++revealCount; }
};

// Login items held in memory; a registration can be scripted to fail.
class ScriptedLoginItems : public LoginItemService {
public:
    LoginItemStatus current = LoginItemStatus::notRegistered;
    std::optional<std::string> nextFailure;

    LoginItemStatus status() override { return current; }
    bool registerItem(std::string& error) override { return change(LoginItemStatus::enabled, error); }
    bool unregisterItem(std::string& error) override {
        return change(LoginItemStatus::notRegistered, error);
    }

private:
    bool change(LoginItemStatus to, std::string& error) {
        if (nextFailure) {
            error = *std::exchange(nextFailure, std::nullopt);
            return false;
        }
        current = to;
        return true;
    }
};

// A scripted desktop: xlogo (pid 812) is the other application with a
// focused window, and Varnic itself is frontmost, as when its panel is open.
class ViewsFixture : public ::testing::Test {
protected:
    ViewsFixture() {
        auto& xlogo = system.addApplication(812, "xlogo", "/usr/bin/xlogo");
        xlogo.focusedWindow = {ax::success, 1};
        system.addWindow(1, "the logo");
        system.addApplication(system.selfPid, "Varnic", system.ownBundle);
        system.focus(system.selfPid);
    }

    void setTarget(std::string title = "the logo", std::shared_ptr<const AppIcon> icon = {}) {
        windowManager->activeWindowInfo.set(TargetWindowInfo{"xlogo", std::move(title), icon, 812});
        settle();
    }

    // Runs the queued redraws, then the layout passes they asked Qt for.
    void settle() {
        queue.runPending();
        QApplication::sendPostedEvents();
    }

    template <typename T>
    T* find(QWidget& root, const QString& name) {
        auto* found = root.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no widget named " << name.toStdString();
        return found;
    }

    FakeWindowSystem system;
    VirtualClockQueue queue;
    LogCapture log;
    std::shared_ptr<WindowManager> windowManager = WindowManager::create(system, queue);
    std::shared_ptr<AccessibilityManager> accessibility =
        AccessibilityManager::create(system, queue);
    ScriptedLoginItems loginItems;
    FakeAppBundle bundle;
};

}  // namespace varnic::testing
