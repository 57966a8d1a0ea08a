#pragma once

#include <variant>

#include "platform/i3ipc/I3Channel.h"
#include "platform/i3ipc/I3Feed.h"
#include "platform/i3ipc/X11SizeWatch.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Sizes a window through sway's or i3's commands and confirms the size from
// the compositor's tree and, for XWayland windows, the X server.
class I3Resize {
  public:
    I3Resize(I3Channel& channel, I3Feed& feed, WindowMirror& mirror)
        : channel_(channel), feed_(feed), mirror_(mirror) {}

    SizeWriteResult operator()(const MirrorWindow& window, Size size, I3Channel::Deadline deadline);

  private:
    SizeWriteResult resize(const MirrorWindow& window, Size size, I3Channel::Deadline deadline);
    std::optional<SizeWriteResult> command(const MirrorWindow& window, Size size,
                                           I3Channel::Deadline deadline);
    enum class Await {
        layout,       // the layout drawn
        answer,       // and the client's answer: a frame that stays
        firstAnswer,  // or, at once, a frame other than the size asked
        x11,          // the X server has the window at the size sway shows
    };
    // The window as the compositor shows it once it has what await names.
    std::variant<MirrorWindow, SizeWriteResult> settled(const MirrorWindow& window,
                                                        I3Channel::Deadline deadline, Await await,
                                                        Size size);
    bool applying(const MirrorWindow& window) const;
    bool x11Reached(const MirrorWindow& window) const;

    I3Channel& channel_;
    I3Feed& feed_;
    WindowMirror& mirror_;
    X11SizeWatch x11_;
};

}  // namespace varnic
