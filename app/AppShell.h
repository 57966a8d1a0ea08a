#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/qt/DesktopUrlOpener.h"
#include "windows/DesktopShell.h"

namespace varnic {

// Varnic's side of the desktop: hiding Varnic means closing its panel, so that
// the window manager gives the focus back to the window that had it.
class AppShell : public DesktopShell {
  public:
    explicit AppShell(DesktopUrlOpener urls) : urls_(std::move(urls)) {}

    // The panel exists once launching has finished.
    void setPanel(QWidget* panel) { panel_ = panel; }

    void hideOwnApplication() override;
    void openURL(std::string_view url) override { urls_.open(url); }

  private:
    DesktopUrlOpener urls_;
    QPointer<QWidget> panel_;
};

}  // namespace varnic
