#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/harness/TestDesktop.h"

namespace varnic::testing {

// A private headless KWin on the test's session bus, with XWayland: Plasma 5
// from this system, or Plasma 6 from the Debian 13 root when VARNIC_PLASMA is
// 6. The test runs as an unprivileged user (tests/wayland/as-test-user.sh)
// and is a client of this KWin. KWin's scripting is also the oracle: the
// frame sizes KWin itself holds, read by a script of the test's own.
class KWinSession : public TestDesktop {
  public:
    KWinSession();

    int plasma() const { return plasma_; }
    const std::string& x11Display() const { return x11Display_; }
    // A command line that runs the program of this session's Plasma: from
    // the Debian 13 root (chrooted) on Plasma 6, as it is on Plasma 5.
    std::vector<std::string> ofPlasma(std::vector<std::string> argv) const;
    // "WxH" of the frame of the window of a resource class (WM_CLASS or
    // app id) as KWin holds it, absent when there is none.
    std::optional<std::string> frameSize(const std::string& resourceClass);
    // The frames of the open popup menus, as "X Y W H", whoever's they are
    // (plasmashell's carry no resource class on Plasma 6).
    std::vector<std::string> popupFrames();
    // Makes the window of a resource class the active one.
    void activate(const std::string& resourceClass);
    // Maximizes the window of a resource class, as its title bar's button does.
    void maximize(const std::string& resourceClass);
    bool scriptLoaded(const std::string& name);
    // Loads a script under a name without running it, as a crashed program leaves it.
    void loadIdleScript(const std::string& name);

  private:
    // Runs a statement on the windows of a resource class; what it prints.
    std::vector<std::string> runScript(const std::string& resourceClass,
                                       const std::string& statement);
    // Runs a statement on the windows a condition holds for; what it prints.
    std::vector<std::string> runScriptWhere(const std::string& condition,
                                            const std::string& statement);

    int plasma_ = 5;
    std::string x11Display_;
    int scripts_ = 0;
};

}  // namespace varnic::testing
