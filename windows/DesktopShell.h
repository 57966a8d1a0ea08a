#pragma once

#include <string_view>

namespace varnic {

// The accessibility list of the privacy settings, the page that grants trust.
inline constexpr std::string_view accessibilitySettingsURL =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

// What the window logic asks of Varnic's own shell rather than of the window
// system: the program that hosts the panel provides it.
class DesktopShell {
  public:
    virtual ~DesktopShell() = default;

    // Closes Varnic's panel so that the desktop gives the focus back to the
    // window that had it.
    virtual void hideOwnApplication() = 0;
    // Opens a URL; the settings link opens the help for granting trust.
    virtual void openURL(std::string_view url) = 0;
};

}  // namespace varnic
