#pragma once

#include <string>
#include <string_view>

namespace varnic {

// Why start at login could not be changed.
enum class AutostartFailure {
    noFolder,
    programNotAbsolute,
    programHasControls,
    programNotUtf8,
    programNotExecutable,
    foreignEntry,
    brokenEntry,
    entryNotAFile,
    entryUnreadable,
    folderNotCreated,
    entryNotWritten,
    entryNotRemoved,
};

// The text the panel shows under its switch, whole within its two lines:
// no paths (they have no length limit), and after a colon the system's own
// reason (strerror) where there is one. Each says what to do when the user can
// do something.
std::string failureText(AutostartFailure failure, std::string_view reason = {});

}  // namespace varnic
