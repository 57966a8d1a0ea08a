#pragma once

#include <memory>
#include <optional>

#include "platform/x11/X11Connection.h"
#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Application-activation notifications, made from the changes of the root
// window's _NET_ACTIVE_WINDOW that arrive on the connection.
class X11Activation {
  public:
    explicit X11Activation(X11Connection& connection) : connection_(connection) {}

    [[nodiscard]] Subscription subscribe(WindowSystem::ActivationHandler handler);
    // Drains queued X events; notifies when another application became active.
    void processEvents();

  private:
    void activeWindowChanged(const X11Call& call);

    X11Connection& connection_;
    std::weak_ptr<XcbConnection> watched_;
    std::optional<Pid> lastActivePid_;
    Observers<const ActivationNotification&> handlers_;
};

}  // namespace varnic
