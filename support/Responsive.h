#pragma once

#include <chrono>
#include <functional>

namespace varnic {

// Waits on other programs are made of short slices; between two slices the
// application handles its own pending input, so a window manager or
// compositor that does not answer delays one request, never the tray or the
// panel. The application installs the input handler once at start-up; the
// core and its tests run without one.
class Responsive {
  public:
    using Deadline = std::chrono::steady_clock::time_point;
    using Slice = std::chrono::milliseconds;

    // The longest a wait blocks before input is handled again.
    static constexpr Slice slice{10};

    static void install(std::function<void()> handleInput);

    // Handles pending input now; for long work between two of its steps.
    static void handleInput();
    // Handles pending input when a slice has passed since it was last
    // handled; cheap enough to call after every item of a long list.
    static void handleInputWhenDue();

    // Calls ready with a timeout of at most one slice (less near the
    // deadline), handling input between calls, until ready answers true
    // (true) or the deadline passes (false). ready may block up to its timeout.
    static bool waitUntil(Deadline deadline, const std::function<bool(Slice timeout)>& ready);
};

}  // namespace varnic
