#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace varnic {

// What the top-bar icon of Varnic's GNOME Shell extension asks of Varnic, on
// the session bus as io.github.varnic.Varnic: a left click toggles the
// panel, a right click opens the menu. The extension shows its icon only
// while this name has an owner.
class TopBarService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.varnic.Varnic1")

  public:
    TopBarService(QDBusConnection bus, std::function<void()> togglePanel,
                  std::function<void()> showMenu);
    ~TopBarService() override;

    bool registered() const { return registered_; }

  public slots:
    void TogglePanel();
    void ShowMenu();

  private:
    QDBusConnection bus_;
    std::function<void()> togglePanel_;
    std::function<void()> showMenu_;
    bool registered_ = false;
};

}  // namespace varnic
