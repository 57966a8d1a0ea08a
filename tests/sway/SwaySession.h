#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "platform/i3ipc/I3IpcConnection.h"
#include "tests/harness/TestDesktop.h"

namespace varnic::testing {

// A private headless sway (1920x1080, XWayland on) for one test, run under
// tests/wayland/as-test-user.sh, which gives the runtime folder sway needs.
// With VARNIC_SWAY_ROOT naming a Debian root (tools/trixie-root.sh), sway and
// the clients started through inRoot() run from that root; the test and the
// rest stay outside, on the same bus and sockets under /tmp.
// Waits are on the compositor's own "window" events.
class SwaySession : public TestDesktop {
  public:
    struct Window {
        std::int64_t id = 0;  // the container id
        pid_t pid = 0;
        ChildProcess* process = nullptr;
    };

    SwaySession();
    ~SwaySession() override;

    const std::string& socketPath() const { return socket_; }
    // The command line that runs the program from the session's root.
    std::vector<std::string> inRoot(const std::vector<std::string>& argv) const;
    // Starts a client; returns once its window is mapped and focused.
    Window start(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {});
    // Ends the client and waits until its window has closed.
    void stop(const Window& window);
    // Focuses the window and waits for the focus event.
    void focus(const Window& window);

    // Oracles: what swaymsg reports.
    std::string swaymsg(const std::vector<std::string>& arguments);
    // The container's node in get_tree; null when it is gone.
    nlohmann::json node(std::int64_t id);
    // "WxH" of the outer frame: rect plus the title bar drawn above it; empty when gone.
    std::string outerSize(std::int64_t id);

    // The next window event the predicate accepts; absent after the timeout.
    std::optional<nlohmann::json> waitForEvent(
        const std::function<bool(const nlohmann::json&)>& accept,
        std::chrono::milliseconds timeout = 10s);

  private:
    // Waits for the window event of this change to the container.
    bool awaitChange(const std::string& change, std::int64_t id);

    std::string root_;
    std::string socket_;
    std::unique_ptr<I3IpcConnection> events_;
};

}  // namespace varnic::testing
