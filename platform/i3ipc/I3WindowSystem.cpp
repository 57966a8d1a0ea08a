#include "platform/i3ipc/I3WindowSystem.h"

#include <utility>

#include "platform/i3ipc/I3Tree.h"

namespace varnic {

I3WindowSystem::I3WindowSystem(std::string socketPath, X11Lookup x11Lookup)
    : MirrorWindowSystem(static_cast<WindowSource&>(*this)),
      feed_(mirror(), std::move(x11Lookup)),
      channel_(
          std::move(socketPath), [this](const auto& message) { handle(message); },
          [this](Deadline deadline) { return readTree(deadline); }),
      resize_(channel_, feed_, mirror()) {
    channel_.reachable();
}

void I3WindowSystem::handle(const I3IpcConnection::Message& message) {
    if (message.type != (I3IpcConnection::eventBit | I3IpcConnection::windowEvent)) return;
    if (auto event = i3tree::windowEvent(message.payload)) {
        focusChanged_ = feed_.apply(std::move(*event)) || focusChanged_;
    }
}

bool I3WindowSystem::readTree(Deadline deadline) {
    return feed_.readTree(channel_, deadline);
}

// Trust: the compositor's socket answers.
bool I3WindowSystem::current() {
    if (!channel_.reachable()) return false;
    channel_.drain();
    return true;
}

void I3WindowSystem::processEvents() {
    if (channel_.fd() < 0) return;
    channel_.drain();
    // Reports a connection the compositor closed, and opens it again.
    channel_.reachable();
    // Several focus changes in one drain are one activation: only the last counts.
    if (std::exchange(focusChanged_, false)) focusMayHaveChanged();
}

SizeWriteResult I3WindowSystem::resize(const MirrorWindow& window, Size size, Deadline deadline) {
    return resize_(window, size, deadline);
}

// Events tell which windows exist and their order, not where a layout change
// moved the others: the tree is read again after one.
std::optional<std::vector<WindowListEntry>> I3WindowSystem::copyWindowList() {
    if (!current()) return std::nullopt;
    const auto deadline = deadlineFor(std::nullopt);
    if (feed_.layoutStale() && !readTree(deadline)) {
        channel_.timedOut(defaultTimeoutSeconds);
        return std::nullopt;
    }
    return MirrorWindowSystem::copyWindowList();
}

PermissionGuide I3WindowSystem::permissionGuide() const {
    return {"Compositor Not Reachable",
            "Varnic controls other windows on sway and i3 through the compositor's IPC socket, "
            "and cannot reach it.",
            {"Click the button below to open Varnic's help page.",
             "Start Varnic from within your sway or i3 session, so that it finds the socket.",
             "The app will automatically detect the change."},
            "Open Help Page"};
}

}  // namespace varnic
