#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/kwin/KWinReports.h"
#include "platform/mirror/WindowMirror.h"

namespace varnic {

class XcbConnection;

// Feeds the mirror from the resident script's reports, on the receiver's
// thread. XWayland clients that do not name their pid are asked about on the
// X server itself, once per window.
class KWinFeed : public QObject {
    Q_OBJECT

  public:
    // activated runs on the receiver's thread when the active window may
    // have changed.
    KWinFeed(WindowMirror& mirror, std::function<void()> activated);
    ~KWinFeed() override;

    void window(KWinWindowRecord record);
    void removed(const std::string& id);
    void activate(const std::string& id);
    // KWin left or restarted: it took every window along.
    void reset();

  private:
    static MirrorWindow mirrored(const KWinWindowRecord& record);
    XcbConnection* xwayland();
    Pid x11Pid(const KWinWindowRecord& record);
    void clientListEvents();
    void activatedIfActive(const std::string& id);

    WindowMirror& mirror_;
    std::function<void()> activated_;
    std::unique_ptr<XcbConnection> xwayland_;
    std::unique_ptr<QSocketNotifier> xwaylandEvents_;
    std::map<std::string, Pid> x11Pids_;
    // Windows whose X client was not on XWayland's client list yet.
    std::map<std::string, KWinWindowRecord> unresolved_;
};

}  // namespace varnic
