#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/i3ipc/I3Element.h"
#include "platform/i3ipc/I3IpcConnection.h"
#include "platform/i3ipc/I3WindowModel.h"
#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

// The window system of sway (Wayland) and i3 (X11) through their common IPC
// protocol. The windows, their processes and the focus order are kept in a
// model that "window" events keep current, so reading the focused window or
// the window list asks the compositor nothing. A size is written with a
// command and read back from get_tree until the window has taken it.
class I3WindowSystem : public WindowSystem {
  public:
    // i3 does not tell a window's process; this finds the pids of X11 windows.
    using PidLookup =
        std::function<std::map<std::uint32_t, Pid>(const std::vector<std::uint32_t>&)>;

    // Never throws; when the socket does not answer the object still exists,
    // isProcessTrusted() is false and later calls try to connect again.
    explicit I3WindowSystem(std::string socketPath, PidLookup pidLookup = {});
    ~I3WindowSystem() override;

    int connectionFd() const;  // -1 when not connected
    // Handles every queued event and delivers activation notifications.
    void processEvents();
    // "sway 1.7" or "i3 4.22"; absent while not connected.
    std::optional<std::string> compositorName() const { return compositor_; }
    // Requests sent to the compositor since this object was made.
    std::uint64_t requests() const { return requests_; }

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
    using Deadline = I3IpcConnection::Deadline;

    I3IpcConnection* connection();
    bool connect();
    std::string logPrefix() const;
    // Sends a request and waits for its reply; events that come first are applied.
    std::optional<std::string> request(std::uint32_t type, std::string_view payload,
                                       Deadline deadline);
    void handle(const I3IpcConnection::Message& message);
    bool refreshTree(Deadline deadline);
    void lookUpPids();
    void drainQueued();
    AXError timedOut(std::optional<float> seconds);
    Deadline deadlineFor(const I3Element& element) const;
    SizeWriteResult writeSize(const I3Element& window, Size size);
    SizeWriteResult readBack(const I3Element& window, Size size);
    AttributeResult readSystemWide(std::string_view attribute);
    AttributeResult readApplication(const I3Element& application, std::string_view attribute);
    AttributeResult readWindowAttribute(const I3Element& window, std::string_view attribute);
    void notifyActivation();

    std::string socketPath_;
    PidLookup pidLookup_;
    std::unique_ptr<I3IpcConnection> connection_;
    std::optional<std::string> compositor_;
    bool reportedUnreachable_ = false;
    I3WindowModel model_;
    bool focusChanged_ = false;
    // A layout change since the tree was last read: other windows may have moved.
    bool layoutStale_ = false;
    std::uint64_t requests_ = 0;
    std::optional<std::string> ownExecutable_;
    std::optional<Pid> lastActivePid_;
    Observers<const ActivationNotification&> activationHandlers_;
};

}  // namespace varnic
