#pragma once

#include <optional>
#include <string>

namespace varnic {

// Where the IPC socket of the session's sway or i3 is: $SWAYSOCK, $I3SOCK,
// else what `sway --get-socketpath` or `i3 --get-socketpath` answers (i3
// reads it from the X root window), each run bounded by a timeout.
class I3SocketPath {
  public:
    static std::optional<std::string> find();
};

}  // namespace varnic
