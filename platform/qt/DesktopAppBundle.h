#pragma once

#include "platform/qt/AppBundle.h"

namespace varnic {

// Varnic as installed: the application ID is the identifier, the canonical
// /proc/self/exe path the path, and the file manager is reached over D-Bus.
class DesktopAppBundle : public AppBundle {
  public:
    std::optional<std::string> bundleIdentifier() override;
    std::string bundlePath() override;
    void reveal() override;
};

}  // namespace varnic
