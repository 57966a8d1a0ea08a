#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tests/x11/ChildProcess.h"

namespace varnic::testing {

// A desktop panel's tray for a tray test: the watcher stand-in on the
// session bus, fed its clicks through a pipe in folder.
class PanelHost {
  public:
    explicit PanelHost(const std::string& folder);
    ~PanelHost();
    PanelHost(const PanelHost&) = delete;
    PanelHost& operator=(const PanelHost&) = delete;

    // The user's click ("activate", "contextmenu") at x,y on the last item.
    bool click(const std::string& command, int x, int y);
    // The stand-in's next report ("item ...", "reply METHOD ok").
    std::optional<std::string> readLine();

  private:
    std::unique_ptr<ChildProcess> watcher_;
    int commands_ = -1;
};

// How many ids a tool such as `xdotool search` printed.
std::size_t countWords(const std::string& text);

}  // namespace varnic::testing
