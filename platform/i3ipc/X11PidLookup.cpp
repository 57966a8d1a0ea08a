#include "platform/i3ipc/X11PidLookup.h"

#include "platform/x11/X11WindowReader.h"
#include "platform/x11/XcbConnection.h"

namespace varnic {
namespace {

constexpr double timeoutSeconds = 2.0;

}  // namespace

X11PidLookup::X11PidLookup() = default;
X11PidLookup::~X11PidLookup() = default;

std::map<std::uint32_t, X11ClientFacts> X11PidLookup::operator()(
    const std::vector<std::uint32_t>& windows) {
    if (connection_ && connection_->broken()) connection_.reset();
    if (!connection_) connection_ = XcbConnection::open(nullptr, deadlineAfter(timeoutSeconds));
    if (!connection_) return {};
    const std::vector<xcb_window_t> ids(windows.begin(), windows.end());
    const auto facts = X11WindowReader(*connection_)
                           .read(ids, X11WindowReader::pid | X11WindowReader::sizeHints,
                                 deadlineAfter(timeoutSeconds));
    std::map<std::uint32_t, X11ClientFacts> found;
    if (!facts) return found;
    for (const auto& window : *facts) {
        if (window.exists)
            found.emplace(window.window, X11ClientFacts{window.pid, window.sizeHints.limits()});
    }
    return found;
}

}  // namespace varnic
