#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <functional>

#include "windows/Preset.h"

namespace varnic {

// What the top-bar icon of Varnic's GNOME Shell extension asks of Varnic, on
// the session bus as io.github.varnic.Varnic: a left click toggles the
// panel, beside the button's centre (global logical coordinates); the shell draws the menu itself
// from the presets named here and sends back the entry chosen. The extension shows its icon only
// while this name has an owner.
class TopBarService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.varnic.Varnic1")

  public:
    struct Actions {
        std::function<void(QPoint button)> togglePanel;
        std::function<void(const Preset&)> resize;
        std::function<void()> quit;
    };

    TopBarService(QDBusConnection bus, Actions actions);
    ~TopBarService() override;

    bool registered() const { return registered_; }

  public slots:
    void TogglePanel(int x, int y);
    // The menu's preset entries, "name (WxH)", in order.
    QStringList Presets();
    void ResizeTo(uint index);
    void Quit();

  private:
    QDBusConnection bus_;
    Actions actions_;
    bool registered_ = false;
};

}  // namespace varnic
