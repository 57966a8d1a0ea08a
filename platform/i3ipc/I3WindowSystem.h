#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/i3ipc/I3Channel.h"
#include "platform/i3ipc/I3Feed.h"
#include "platform/i3ipc/I3Resize.h"
#include "platform/mirror/MirrorWindowSystem.h"

namespace varnic {

// The window system of sway (Wayland) and i3 (X11) through their common IPC
// protocol. A tree read at connection and "window" events keep the mirror
// current, so reads ask the compositor nothing; a size is written with a
// command and confirmed from the tree (on sway, an XWayland window's from the
// X server too).
class I3WindowSystem final : private WindowSource, public MirrorWindowSystem {
  public:
    using X11Lookup = I3Feed::X11Lookup;

    // Never throws; when the socket does not answer the object still exists,
    // isProcessTrusted() is false and later calls try to connect again.
    explicit I3WindowSystem(std::string socketPath, X11Lookup x11Lookup = {});

    int connectionFd() const { return channel_.fd(); }
    // Handles every queued event and delivers activation notifications.
    void processEvents();
    // "sway 1.7" or "i3 4.22"; absent while not connected.
    std::optional<std::string> compositorName() const { return channel_.compositor(); }
    // Requests sent to the compositor since this object was made.
    std::uint64_t requests() const { return channel_.requests(); }

    PermissionGuide permissionGuide() const override;
    std::optional<std::vector<WindowListEntry>> copyWindowList() override;

  private:
    bool current() override;
    SizeWriteResult resize(const MirrorWindow& window, Size size, Deadline deadline) override;
    void handle(const I3IpcConnection::Message& message);
    bool readTree(Deadline deadline);

    I3Feed feed_;
    I3Channel channel_;
    I3Resize resize_;
    bool focusChanged_ = false;
};

}  // namespace varnic
