#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "windows/DesktopShell.h"

namespace varnic {

// Records what the logic asked of Varnic's shell.
class FakeDesktopShell : public DesktopShell {
  public:
    void hideOwnApplication() override { ++hideCount; }
    void openURL(std::string_view url) override { openedURLs.emplace_back(url); }

    int hideCount = 0;
    std::vector<std::string> openedURLs;
};

}  // namespace varnic
