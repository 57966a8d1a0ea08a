#include "platform/xdg/AutostartFailure.h"

namespace varnic {

std::string failureText(AutostartFailure failure, std::string_view reason) {
    const auto because = [reason](std::string_view what) {
        return std::string(what) + ": " + std::string(reason);
    };
    switch (failure) {
        case AutostartFailure::noFolder:
            return "No autostart folder: set XDG_CONFIG_HOME or HOME";
        case AutostartFailure::programNotAbsolute:
            return "Varnic cannot start at login: its path is not absolute";
        case AutostartFailure::programHasControls:
            return "Varnic cannot start at login: its path contains control characters";
        case AutostartFailure::programNotUtf8:
            return "Varnic cannot start at login: its path is not valid UTF-8";
        case AutostartFailure::programNotExecutable:
            return "Varnic cannot start at login: its program file is gone or not executable";
        case AutostartFailure::foreignEntry:
            return "The autostart folder has a varnic.desktop that Varnic did not write; "
                   "remove it to use this switch";
        case AutostartFailure::brokenEntry:
            return "The varnic.desktop in the autostart folder is not a valid desktop entry; "
                   "remove it to use this switch";
        case AutostartFailure::entryNotAFile:
            return "The varnic.desktop in the autostart folder is not a file; "
                   "remove it to use this switch";
        case AutostartFailure::entryUnreadable:
            return because("Could not read the autostart entry");
        case AutostartFailure::folderNotCreated:
            return because("Could not create the autostart folder");
        case AutostartFailure::entryNotWritten:
            return because("Could not write the autostart entry");
        case AutostartFailure::entryNotRemoved:
            return because("Could not remove the autostart entry");
    }
    return {};
}

}  // namespace varnic
