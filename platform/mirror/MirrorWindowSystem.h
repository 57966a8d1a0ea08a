#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/mirror/MirrorElement.h"
#include "platform/mirror/WindowMirror.h"
#include "platform/mirror/WindowSource.h"
#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

// The window system of a compositor that Varnic knows through a mirror of its
// windows (sway and i3, KWin, GNOME Shell). The rules over the mirror are the
// same on every desktop: which window is an application's focused and main
// one, its name, whether it counts as a regular application or is hidden,
// what the window list holds. The source behind it talks to the compositor.
class MirrorWindowSystem : public WindowSystem {
  public:
    // A call without a messaging timeout of its own is still bounded by this.
    static constexpr float defaultTimeoutSeconds = messagingTimeoutSeconds;

    explicit MirrorWindowSystem(WindowSource& source);

    bool isProcessTrusted() override;
    bool isProcessTrustedWithPrompt() override { return isProcessTrusted(); }
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

    WindowMirror& mirror() { return mirror_; }
    const WindowMirror& mirror() const { return mirror_; }

    // The verdict on the frame a window took for the size asked, by
    // SizeLimits' rule; a failure is logged as who (e.g. "sway IPC: ") saw it.
    static SizeWriteResult verdict(const std::string& who, const MirrorWindow& window, Size asked,
                                   const MirrorRect& took);
    static WindowSource::Deadline deadlineFor(std::optional<float> timeout);

  protected:
    // Tells the subscribers when the focus moved to another application; on
    // the main thread.
    void focusMayHaveChanged();

  private:
    std::vector<MirrorWindow> applicationWindows(Pid pid, const std::string& anchor) const;
    AttributeResult readSystemWide(std::string_view attribute);
    AttributeResult readApplication(const MirrorElement& application, std::string_view attribute);
    AttributeResult readWindow(const MirrorElement& window, std::string_view attribute);

    WindowSource& source_;
    WindowMirror mirror_;
    std::optional<std::string> ownExecutable_;
    std::optional<Pid> lastActivePid_;
    Observers<const ActivationNotification&> activationHandlers_;
};

}  // namespace varnic
