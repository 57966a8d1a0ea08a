#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/kwin/KWinElement.h"
#include "platform/kwin/KWinMirror.h"
#include "platform/kwin/KWinScripting.h"
#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

class KWinReceiver;

// The window system on KDE Plasma through KWin's scripting interface. A
// resident script of Varnic's own reports every window, change and activation
// to a D-Bus object of Varnic's, so reads come from a mirror without asking
// KWin. A resize loads a one-off script that sets the frame; the size is then
// read back from the resident script's reports, which on Wayland come only
// once the client acknowledged the new size. Trust means KWin answers and the
// resident script reported in. The scripts are unloaded when this object goes.
class KWinWindowSystem : public WindowSystem {
  public:
    static constexpr const char* residentScriptName = "varnic";
    static constexpr const char* resizeScriptName = "varnic-resize";

    // Talks to KWin on a connection of its own to the session bus: Qt holds
    // back calls to its shared connection until the event loop runs, and
    // reports must arrive while the main thread waits.
    KWinWindowSystem();
    ~KWinWindowSystem() override;
    KWinWindowSystem(const KWinWindowSystem&) = delete;
    KWinWindowSystem& operator=(const KWinWindowSystem&) = delete;

    // Whether org.kde.KWin is on the bus, asked with a short timeout.
    static bool kwinOnBus(QDBusConnection bus);
    std::optional<std::string> kwinVersion() { return scripting_.version(); }
    // Waits, bounded, until the mirrored windows (front-most first) satisfy
    // done; tests and benchmarks wait on KWin's reports with it.
    bool awaitWindows(const std::function<bool(const std::vector<KWinWindowRecord>&)>& done,
                      double seconds) const;

    bool isProcessTrusted() override;
    bool isProcessTrustedWithPrompt() override { return isProcessTrusted(); }
    PermissionGuide permissionGuide() const override;
    Element createSystemWide() override;
    Element createApplication(Pid pid) override;
    AXError setMessagingTimeout(const ElementRef& element, float seconds) override;
    AttributeResult copyAttributeValue(const ElementRef& element,
                                       std::string_view attribute) override;
    AXError getPid(const ElementRef& element, Pid& pid) override;
    std::optional<SizeValue> createSizeValue(double width, double height) override;
    SizeWriteResult setAttributeValue(const ElementRef& element, std::string_view attribute,
                                      const SizeValue& value) override;
    std::optional<std::vector<WindowListEntry>> copyWindowList() override;
    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<RunningApplication> runningApplication(Pid pid) override;
    std::optional<std::string> ownBundleIdentifier() override { return ownExecutable_; }
    Pid ownPid() override;
    Subscription subscribeActivations(ActivationHandler handler) override;

  private:
    bool loadResidentScript();
    std::optional<QString> writeScript(const QString& name, const std::string& text);
    std::string replyAddress() const;
    void unreachable(const std::string& why);
    // The windows of a pid, or the anchor window of an application without one.
    std::vector<KWinWindowRecord> applicationWindows(Pid pid, const std::string& anchor) const;
    AttributeResult readSystemWide(std::string_view attribute);
    AttributeResult readApplication(const KWinElement& application, std::string_view attribute);
    AttributeResult readWindow(const KWinElement& window, std::string_view attribute);
    SizeWriteResult writeSize(const KWinElement& window, Size size);
    SizeWriteResult awaitSize(const std::string& id, Size size, KWinMirror::Deadline deadline);
    void deliverActivation();

    QString connectionName_;
    QDBusConnection bus_;
    KWinScripting scripting_;
    KWinMirror mirror_;
    QTemporaryDir files_;
    std::optional<std::string> ownExecutable_;
    bool reportedUnreachable_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastLoad_;
    std::int64_t nextSerial_ = 1;
    std::optional<Pid> lastActivePid_;
    Observers<const ActivationNotification&> activationHandlers_;
    // Activations reach the main thread through this object's event queue.
    QObject mainThread_;
    QThread reportThread_;
    // Lives on reportThread_, which deletes it when it finishes.
    KWinReceiver* receiver_;
};

}  // namespace varnic
