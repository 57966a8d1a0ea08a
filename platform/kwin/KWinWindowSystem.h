#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QThread>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/kwin/KWinAnswers.h"
#include "platform/kwin/KWinResize.h"
#include "platform/kwin/KWinScripts.h"
#include "platform/mirror/MirrorWindowSystem.h"

namespace varnic {

class KWinFeed;
class KWinReceiver;

// The window system on KDE Plasma through KWin's scripting interface. A
// resident script of Varnic's own reports every window, change and activation
// to a D-Bus object of Varnic's, which keeps the mirror current without
// asking KWin. Trust means KWin answers and the resident script reported in.
// The scripts are unloaded when this object goes.
class KWinWindowSystem final : private WindowSource, public MirrorWindowSystem {
  public:
    // Talks to KWin on a connection of its own to the session bus: Qt holds
    // back calls to its shared connection until the event loop runs, and
    // reports must arrive while the main thread waits.
    KWinWindowSystem();
    ~KWinWindowSystem() override;
    KWinWindowSystem(const KWinWindowSystem&) = delete;
    KWinWindowSystem& operator=(const KWinWindowSystem&) = delete;

    // Whether org.kde.KWin is on the bus, asked with a short timeout.
    static bool kwinOnBus(QDBusConnection bus);
    std::optional<std::string> kwinVersion() { return scripts_.scripting().version(); }
    // Waits, bounded, until the mirrored windows (front-most first) satisfy
    // done; tests and benchmarks wait on KWin's reports with it.
    bool awaitWindows(const std::function<bool(const WindowMirror::Windows&)>& done,
                      double seconds) const;

    bool isProcessTrusted() override;
    PermissionGuide permissionGuide() const override;

  private:
    bool current() override { return answers_.ready(); }
    SizeWriteResult resize(const MirrorWindow& window, Size size, Deadline deadline) override;
    bool loadResidentScript();
    void unreachable(const std::string& why);

    QString connectionName_;
    QDBusConnection bus_;
    KWinScripts scripts_;
    KWinAnswers answers_;
    KWinResize resize_;
    bool reportedUnreachable_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastLoad_;
    // Activations reach the main thread through this object's event queue.
    QObject mainThread_;
    QThread reportThread_;
    // Both live on reportThread_, which deletes them when it finishes.
    KWinFeed* feed_;
    KWinReceiver* receiver_;
};

}  // namespace varnic
