#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/i3ipc/I3Channel.h"
#include "platform/i3ipc/I3Tree.h"
#include "platform/i3ipc/X11PidLookup.h"
#include "platform/mirror/WindowMirror.h"

namespace varnic {

// Feeds the mirror from i3's and sway's trees and "window" events, and keeps
// what only a resize needs: each container's place in the layout, and the
// size hints of X11 windows.
class I3Feed {
  public:
    // i3 does not tell a window's process; this finds it, and the size hints,
    // of X11 windows.
    using X11Lookup =
        std::function<std::map<std::uint32_t, X11ClientFacts>(const std::vector<std::uint32_t>&)>;

    struct Layout {
        bool floating = false;
        bool fullscreen = false;
        MirrorRect content;     // the window's own area, inside borders and title bar
        bool applying = false;  // sway: a new layout waits for the client's answer
    };

    I3Feed(WindowMirror& mirror, X11Lookup lookup);

    // Reads the whole tree; false when it did not come or is malformed.
    bool readTree(I3Channel& channel, I3Channel::Deadline deadline);
    void replace(std::vector<I3Container> containers);
    // True when the event moved the focus.
    bool apply(I3WindowEvent event);
    // A layout change since the tree was last read: other windows may have moved.
    bool layoutStale() const { return layoutStale_; }
    std::optional<Layout> layout(const std::string& id) const;
    // The outer-size limits of an X11 window, from its hints and its frame.
    std::optional<SizeLimits> outerLimits(const MirrorWindow& window) const;

  private:
    void lookUp(std::vector<I3Container>& containers);

    WindowMirror& mirror_;
    X11Lookup lookup_;
    std::map<std::string, Layout> layouts_;
    std::map<std::uint32_t, X11ClientFacts> x11_;
    bool layoutStale_ = false;
};

}  // namespace varnic
