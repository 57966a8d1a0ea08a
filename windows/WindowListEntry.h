#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "windows/RunningApplication.h"

namespace varnic {

// One entry of the on-screen window list. Every key is optional: a missing
// key and a value of another type are both absent.
struct WindowListEntry {
    std::optional<Pid> ownerPID;
    std::optional<std::string> windowName;
    std::optional<std::string> ownerName;
    std::optional<std::int64_t> windowNumber;
    std::optional<std::int64_t> windowLayer;
    // "X", "Y", "Width", "Height" of the frame; values may be fractional.
    std::optional<std::map<std::string, double>> bounds;
};

}  // namespace varnic
