#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "permissions/AccessibilityManager.h"
#include "platform/qt/AppBundle.h"
#include "tests/core/Desktop.h"
#include "tests/doubles/FakeLoginItemService.h"

namespace varnic::testing {

// The bundle the debug lines show.
class FakeAppBundle : public AppBundle {
  public:
    std::optional<std::string> bundleIdentifier() override { return "io.github.varnic.Varnic"; }
    std::string bundlePath() override { return "/opt/varnic/bin/varnic"; }
    void reveal() override {}
};

// The scripted desktop with Varnic itself frontmost, as when its panel is open.
class ViewsFixture : public ::testing::Test, protected Desktop {
  protected:
    ViewsFixture() { system.focus(system.selfPid); }

    void setTarget() {
        manager->activeWindowInfo.set(TargetWindowInfo{"xlogo", "the logo", nullptr, 812});
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

    std::shared_ptr<AccessibilityManager> accessibility =
        AccessibilityManager::create(system, shell, queue);
    FakeLoginItemService loginItems;
    FakeAppBundle bundle;
};

}  // namespace varnic::testing
