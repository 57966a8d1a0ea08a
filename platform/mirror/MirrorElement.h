#pragma once

#include <optional>
#include <string>

#include "windows/WindowSystem.h"

namespace varnic {

// An accessibility element over a mirror: the system-wide element, an
// application (a pid, or for a window whose pid is unknown that window) or a
// window, named by the backend's id.
class MirrorElement : public ElementRef {
  public:
    enum class Kind { systemWide, application, window };

    static Element systemWide();
    static Element application(Pid pid, std::string anchor, std::optional<float> timeout);
    static Element window(std::string id, std::optional<float> timeout);

    Kind kind() const { return kind_; }
    Pid pid() const { return pid_; }
    // The window of a window element; the anchor window of a pid-less application.
    const std::string& window() const { return window_; }
    // The messaging timeout; windows read from an application inherit it.
    std::optional<float> timeout() const { return timeout_; }
    void setTimeout(float seconds) const { timeout_ = seconds; }

  private:
    MirrorElement(Kind kind, Pid pid, std::string window, std::optional<float> timeout)
        : kind_(kind), pid_(pid), window_(std::move(window)), timeout_(timeout) {}

    Kind kind_;
    Pid pid_;
    std::string window_;
    mutable std::optional<float> timeout_;
};

}  // namespace varnic
