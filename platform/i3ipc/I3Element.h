#pragma once

#include <cstdint>
#include <optional>

#include "windows/WindowSystem.h"

namespace varnic {

// An accessibility element over the i3 IPC: the system-wide element, an
// application (a pid) or a window (a container id).
class I3Element : public ElementRef {
  public:
    enum class Kind { systemWide, application, window };

    static Element systemWide();
    static Element application(Pid pid, std::optional<float> timeout);
    static Element window(std::int64_t id, std::optional<float> timeout);

    Kind kind() const { return kind_; }
    Pid pid() const { return pid_; }
    std::int64_t id() const { return id_; }
    // The messaging timeout; windows read from an application inherit it.
    std::optional<float> timeout() const { return timeout_; }
    void setTimeout(float seconds) const { timeout_ = seconds; }

  private:
    I3Element(Kind kind, Pid pid, std::int64_t id, std::optional<float> timeout)
        : kind_(kind), pid_(pid), id_(id), timeout_(timeout) {}

    Kind kind_;
    Pid pid_;
    std::int64_t id_;
    mutable std::optional<float> timeout_;
};

}  // namespace varnic
