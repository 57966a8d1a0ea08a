#pragma once

#include <optional>
#include <string>

namespace varnic {

// Varnic's own application bundle as the debug lines show it; the views take
// this interface so that tests can substitute it.
class AppBundle {
  public:
    virtual ~AppBundle() = default;
    virtual std::optional<std::string> bundleIdentifier() = 0;
    virtual std::string bundlePath() = 0;
    // Shows the bundle, selected, in the desktop's file manager.
    virtual void reveal() = 0;
};

}  // namespace varnic
