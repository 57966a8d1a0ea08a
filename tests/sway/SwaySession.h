#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/i3ipc/I3IpcConnection.h"
#include "tests/x11/ChildProcess.h"

namespace varnic::testing {

using namespace std::chrono_literals;

// A private headless sway (1920x1080, XWayland on) for one test, run as the
// current user: under tests/wayland/as-test-user.sh, which gives the
// runtime folder sway needs. Clients started through it are ended by pid.
// Waits are on the compositor's own "window" events.
class SwaySession {
  public:
    struct Window {
        std::int64_t id = 0;  // the container id
        pid_t pid = 0;
        ChildProcess* process = nullptr;
    };

    SwaySession();
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    const std::string& socketPath() const { return socket_; }
    const std::string& logDirectory() const { return directory_; }
    // WAYLAND_DISPLAY, DISPLAY and SWAYSOCK of this session.
    std::vector<std::string> environment() const;

    // Starts a client; returns once its window is mapped and focused.
    Window start(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {});
    // Ends the client and waits until its window has closed.
    void stop(const Window& window);
    // Focuses the window and waits for the focus event.
    void focus(const Window& window);

    // Runs a tool (xdotool, xwininfo) in this session; its standard output.
    std::string run(const std::vector<std::string>& argv);
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

    std::string directory_;
    std::string socket_;
    std::string waylandDisplay_;
    std::string x11Display_;
    std::unique_ptr<ChildProcess> sway_;
    std::unique_ptr<I3IpcConnection> events_;
    std::list<std::unique_ptr<ChildProcess>> clients_;
};

}  // namespace varnic::testing
