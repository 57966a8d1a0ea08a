#pragma once

#include "platform/qt/AppBundle.h"

namespace varnic {

// The running executable as the bundle: its canonical /proc/self/exe path is
// both identifier and path, and the file manager is reached over D-Bus.
class DesktopAppBundle : public AppBundle {
  public:
    std::optional<std::string> bundleIdentifier() override;
    std::string bundlePath() override;
    void reveal() override;
};

}  // namespace varnic
