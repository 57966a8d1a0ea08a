#pragma once

#include <cstdint>
#include <optional>

#include "windows/WindowSystem.h"

namespace varnic {

// An accessibility element under GNOME Shell: the system-wide element, an
// application (a pid) or a window (the extension's stable window id).
class GnomeElement : public ElementRef {
  public:
    enum class Kind { systemWide, application, window };

    static Element systemWide() { return Element(new GnomeElement(Kind::systemWide, 0, 0, {})); }
    static Element application(Pid pid, std::optional<float> timeout) {
        return Element(new GnomeElement(Kind::application, pid, 0, timeout));
    }
    static Element window(std::uint64_t id, std::optional<float> timeout) {
        return Element(new GnomeElement(Kind::window, 0, id, timeout));
    }

    Kind kind() const { return kind_; }
    Pid pid() const { return pid_; }
    std::uint64_t window() const { return window_; }
    // The messaging timeout; windows read from an application inherit it.
    std::optional<float> timeout() const { return timeout_; }
    void setTimeout(float seconds) const { timeout_ = seconds; }

  private:
    GnomeElement(Kind kind, Pid pid, std::uint64_t window, std::optional<float> timeout)
        : kind_(kind), pid_(pid), window_(window), timeout_(timeout) {}

    Kind kind_;
    Pid pid_;
    std::uint64_t window_;
    mutable std::optional<float> timeout_;
};

}  // namespace varnic
