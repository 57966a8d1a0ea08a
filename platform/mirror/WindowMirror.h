#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/mirror/MirrorWindow.h"

namespace varnic {

// The compositor's windows as Varnic last heard of them, front-most first, so
// that reads ask the compositor nothing. A window source feeds it with the
// events of its protocol; a source may feed it from a thread of its own, so
// every access takes the lock.
class WindowMirror {
  public:
    using Windows = std::vector<MirrorWindow>;

    // Events in. A report without a pid keeps the pid already known.
    void opened(MirrorWindow window);   // a new window, in front
    void changed(MirrorWindow window);  // keeps its place; in front when new
    void closed(const std::string& id);
    void focused(const std::string& id);  // moves it in front; empty: no focus
    // The whole list, front-most first, and the focused window's id.
    void replaced(Windows windows, const std::string& focusedId);
    void cleared();

    std::optional<MirrorWindow> find(const std::string& id) const;
    std::optional<MirrorWindow> focusedWindow() const;
    Windows windows() const;
    // Waits at most timeout for done(windows) to hold; says whether it does.
    bool waitFor(std::chrono::milliseconds timeout,
                 const std::function<bool(const Windows&)>& done) const;

  private:
    void place(MirrorWindow window, bool inFront);
    template <typename F>
    void change(F&& apply) {
        {
            std::lock_guard lock(mutex_);
            apply();
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Windows windows_;  // most recently raised first
    std::string focused_;
    std::int64_t nextNumber_ = 1;
};

}  // namespace varnic
