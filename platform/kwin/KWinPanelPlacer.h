#pragma once

#include <QDBusConnection>
#include <QTemporaryDir>
#include <QThread>

#include "platform/kwin/KWinScripting.h"
#include "platform/qt/PanelPlacer.h"

namespace varnic {

class KWinPointerReport;

// Varnic's panel under KWin on Wayland: Xwayland's pointer is stale over
// native windows, so the pointer comes from a KWin script
// (workspace.cursorPos), and the panel is moved through its frameGeometry.
class KWinPanelPlacer : public PanelPlacer {
  public:
    KWinPanelPlacer();
    ~KWinPanelPlacer() override;

    std::optional<QPoint> pointerPosition(QWidget& window) override;
    void placeOwnWindow(QWidget& window, QPoint topLeft) override;

  private:
    // Loads the script under its fixed name, runs it and unloads it.
    bool runScript(const QString& name, const QString& text);

    QString connectionName_;
    QDBusConnection bus_;
    KWinScripting scripting_;
    QTemporaryDir files_;
    KWinPointerReport* report_;
    QThread reportThread_;
};

}  // namespace varnic
