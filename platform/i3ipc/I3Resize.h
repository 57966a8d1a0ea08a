#pragma once

#include <variant>

#include "platform/i3ipc/I3Channel.h"
#include "platform/i3ipc/I3Feed.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Sizes a window through sway's or i3's commands and confirms the size from
// the compositor's tree.
class I3Resize {
  public:
    I3Resize(I3Channel& channel, I3Feed& feed, WindowMirror& mirror)
        : channel_(channel), feed_(feed), mirror_(mirror) {}

    SizeWriteResult operator()(const MirrorWindow& window, Size size, I3Channel::Deadline deadline);

  private:
    std::optional<SizeWriteResult> command(const MirrorWindow& window, Size size,
                                           I3Channel::Deadline deadline);
    // The window as the compositor shows it once its layout is drawn and,
    // when awaitClient, the client has answered the size.
    std::variant<MirrorWindow, SizeWriteResult> settled(const MirrorWindow& window,
                                                        I3Channel::Deadline deadline,
                                                        bool awaitClient);
    bool applying(const MirrorWindow& window) const;

    I3Channel& channel_;
    I3Feed& feed_;
    WindowMirror& mirror_;
};

}  // namespace varnic
