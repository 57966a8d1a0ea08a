#pragma once

#include <optional>
#include <string>

#include "windows/WindowSystem.h"

namespace varnic {

// An accessibility element under KWin: the system-wide element, an
// application (a pid, or for a window without a known pid that window) or a
// window, named by KWin's internal id.
class KWinElement : public ElementRef {
  public:
    enum class Kind { systemWide, application, window };

    static Element systemWide();
    static Element application(Pid pid, std::string anchor, std::optional<float> timeout);
    static Element window(std::string id, std::optional<float> timeout);

    Kind kind() const { return kind_; }
    Pid pid() const { return pid_; }
    // The window of a window element; the anchor window of a pid-less application.
    const std::string& window() const { return window_; }
    std::optional<float> timeout() const { return timeout_; }
    void setTimeout(float seconds) const { timeout_ = seconds; }

  private:
    KWinElement(Kind kind, Pid pid, std::string window, std::optional<float> timeout)
        : kind_(kind), pid_(pid), window_(std::move(window)), timeout_(timeout) {}

    Kind kind_;
    Pid pid_;
    std::string window_;
    mutable std::optional<float> timeout_;
};

}  // namespace varnic
