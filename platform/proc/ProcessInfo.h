#pragma once

#include <optional>
#include <string>

#include "windows/RunningApplication.h"

namespace varnic {

// What /proc tells about a process.
class ProcessInfo {
  public:
    static bool exists(Pid pid);
    // /proc/PID/comm without its line feed; absent when unreadable.
    static std::optional<std::string> commandName(Pid pid);
    // The canonical path of /proc/PID/exe; absent when unreadable (another user's process).
    static std::optional<std::string> executablePath(Pid pid);
    static std::optional<std::string> ownExecutablePath();
};

}  // namespace varnic
