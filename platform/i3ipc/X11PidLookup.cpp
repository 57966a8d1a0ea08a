#include "platform/i3ipc/X11PidLookup.h"

#include "platform/x11/X11WindowReader.h"
#include "platform/x11/XcbConnection.h"

namespace varnic {
namespace {

constexpr double timeoutSeconds = 2.0;

}  // namespace

X11PidLookup::X11PidLookup() = default;
X11PidLookup::~X11PidLookup() = default;

std::map<std::uint32_t, Pid> X11PidLookup::operator()(const std::vector<std::uint32_t>& windows) {
    if (connection_ && connection_->broken()) connection_.reset();
    if (!connection_) connection_ = XcbConnection::open(nullptr, deadlineAfter(timeoutSeconds));
    if (!connection_) return {};
    const std::vector<xcb_window_t> ids(windows.begin(), windows.end());
    const auto facts = X11WindowReader(*connection_)
                           .read(ids, X11WindowReader::pid, deadlineAfter(timeoutSeconds));
    std::map<std::uint32_t, Pid> pids;
    if (!facts) return pids;
    for (const auto& window : *facts) {
        if (window.exists && window.pid) pids.emplace(window.window, *window.pid);
    }
    return pids;
}

}  // namespace varnic
