#pragma once

#include <QDBusConnection>
#include <memory>
#include <optional>
#include <string>

#include "platform/gnome/ExtensionInstaller.h"
#include "platform/gnome/GnomeElement.h"
#include "platform/gnome/WindowMirror.h"
#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

// The window system under GNOME Shell (Wayland or X11), reached through
// Varnic's own shell extension on the session bus. Reads come from a mirror
// of the extension's window list that its signals keep current; a resize is
// one call that answers once the window has taken its new size. Trust means
// the extension answers.
class GnomeWindowSystem : public WindowSystem {
  public:
    // variantsDir: where both variants of the extension are kept, for
    // installing it for the user.
    GnomeWindowSystem(QDBusConnection bus, QString variantsDir);

    bool isProcessTrusted() override;
    bool isProcessTrustedWithPrompt() override;
    PermissionGuide permissionGuide() const override;
    Element createSystemWide() override { return GnomeElement::systemWide(); }
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
    // The mirror when it is current, asking the extension when it is not.
    bool reachable();
    AttributeResult readApplication(const GnomeElement& application, std::string_view attribute);
    AXError resize(const GnomeElement& window, const SizeValue& value);
    std::vector<const ShellWindow*> windowsOf(Pid pid) const;
    void focusMayHaveChanged();

    WindowMirror mirror_;
    ExtensionInstaller installer_;
    QDBusConnection bus_;
    std::optional<std::string> ownExecutable_;
    bool reportedUnreachable_ = false;
    std::optional<Pid> lastActivePid_;
    Observers<const ActivationNotification&> activationHandlers_;
};

}  // namespace varnic
