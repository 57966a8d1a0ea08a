#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/X11Activation.h"
#include "platform/x11/X11Connection.h"
#include "windows/WindowSystem.h"

namespace varnic {

class X11Element;

// The window system on X11 through its EWMH window manager. Each call holds
// the connection for its duration and bounds every wait: by the element's
// messaging timeout, else by a default of a few seconds.
class X11WindowSystem : public WindowSystem {
  public:
    // nullptr display name = $DISPLAY. Never throws; if the display cannot be
    // opened the object still exists, isProcessTrusted() is false and later
    // trust checks try to connect again.
    explicit X11WindowSystem(const char* displayName = nullptr);

    int connectionFd() const { return connection_.fd(); }
    // Drains pending X events and delivers activation notifications.
    void processEvents() { activation_.processEvents(); }
    void flush();
    // Round trips made so far on the current connection (0 when not connected).
    std::uint64_t roundTrips() const { return connection_.roundTrips(); }

    // The EWMH window manager's own name, when one runs and gives it.
    std::optional<std::string> windowManagerName();

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
    std::optional<X11Call> callFor(const X11Element& element);

    X11Connection connection_;
    X11Activation activation_{connection_};
    std::optional<std::string> ownExecutable_;
};

}  // namespace varnic
