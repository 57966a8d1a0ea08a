#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/WindowFacts.h"
#include "platform/x11/X11Element.h"
#include "platform/x11/XcbConnection.h"
#include "windows/WindowSystem.h"

namespace varnic {

// The window system on X11 through its EWMH window manager. Elements are
// looked up afresh on every read, so a window destroyed between two calls is
// reported as invalidUIElement, never acted on stale. Every reply wait is
// bounded: by the element's messaging timeout, else by a default of a few
// seconds.
class X11WindowSystem : public WindowSystem {
  public:
    // nullptr display name = $DISPLAY. Never throws; if the display cannot be
    // opened the object still exists, isProcessTrusted() is false and later
    // trust checks try to connect again.
    explicit X11WindowSystem(const char* displayName = nullptr);
    ~X11WindowSystem() override;

    int connectionFd() const;  // -1 when not connected
    // Drains pending X events and delivers activation notifications.
    void processEvents();
    void flush();
    // Round trips made so far on the current connection (0 when not connected).
    std::uint64_t roundTrips() const;

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
    // The managed windows, topmost first, and the active one.
    struct Clients {
        std::vector<xcb_window_t> topmostFirst;
        xcb_window_t active = XCB_WINDOW_NONE;
    };
    struct AppWindows {
        std::vector<WindowFacts> windows;  // topmost first
        xcb_window_t active = XCB_WINDOW_NONE;
        bool ownsActive() const;
    };

    AXError writeSize(const ElementRef& element, std::string_view attribute,
                      const SizeValue& value);
    XcbConnection* connection();
    bool connect();
    bool windowManagerRunning(XcbConnection& connection);
    Deadline deadlineFor(const X11Element& element) const;
    std::optional<Clients> readClients(Deadline deadline);
    std::optional<AppWindows> applicationWindows(std::optional<Pid> pid, xcb_window_t anchor,
                                                 unsigned facts, Deadline deadline);
    std::optional<WindowFacts> readWindow(xcb_window_t window, unsigned facts, Deadline deadline);
    AttributeResult readSystemWide(std::string_view attribute);
    AttributeResult readApplication(const X11Element& application, std::string_view attribute);
    AttributeResult readWindowAttribute(const X11Element& window, std::string_view attribute);
    RunningApplication describeApplication(Pid pid, const std::optional<AppWindows>& windows);
    std::optional<WindowListEntry> listEntry(const WindowFacts& facts);
    std::int64_t layer(const WindowFacts& facts) const;
    bool maximized(const WindowFacts& facts) const;
    std::optional<WindowFacts> unmaximize(xcb_window_t window, Deadline deadline);
    bool supportsMoveResize(const xcb_get_property_reply_t* supported) const;
    void sendToWindowManager(xcb_window_t window, Atom type, std::array<std::uint32_t, 5> data);
    void handleActiveWindowChange();
    AXError timedOut(std::optional<float> seconds);

    std::optional<std::string> displayName_;
    std::unique_ptr<XcbConnection> connection_;
    bool reportedUnreachable_ = false;
    std::optional<std::string> ownExecutable_;
    std::optional<Pid> lastActivePid_;
    std::shared_ptr<std::map<int, ActivationHandler>> activationHandlers_ =
        std::make_shared<std::map<int, ActivationHandler>>();
    int nextHandler_ = 0;
};

}  // namespace varnic
