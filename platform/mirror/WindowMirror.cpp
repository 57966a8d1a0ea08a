#include "platform/mirror/WindowMirror.h"

#include <algorithm>

namespace varnic {
namespace {

WindowMirror::Windows::iterator locate(WindowMirror::Windows& windows, const std::string& id) {
    return std::find_if(windows.begin(), windows.end(),
                        [&](const MirrorWindow& window) { return window.id == id; });
}

// Where the compositor gives a stacking order it decides; otherwise the
// order windows were raised in does.
WindowMirror::Windows frontFirst(WindowMirror::Windows windows) {
    std::stable_sort(windows.begin(), windows.end(),
                     [](const auto& a, const auto& b) { return a.stacking > b.stacking; });
    return windows;
}

}  // namespace

void WindowMirror::place(MirrorWindow window, bool inFront) {
    const auto existing = locate(windows_, window.id);
    if (existing != windows_.end()) {
        if (!window.pid) window.pid = existing->pid;
        window.number = existing->number;
    } else if (window.number == 0) {
        window.number = nextNumber_++;
    }
    if (existing != windows_.end() && !inFront) {
        *existing = std::move(window);
        return;
    }
    if (existing != windows_.end()) windows_.erase(existing);
    windows_.insert(windows_.begin(), std::move(window));
}

void WindowMirror::opened(MirrorWindow window) {
    change([&] { place(std::move(window), true); });
}

void WindowMirror::changed(MirrorWindow window) {
    change([&] { place(std::move(window), false); });
}

void WindowMirror::closed(const std::string& id) {
    change([&] {
        if (const auto found = locate(windows_, id); found != windows_.end()) windows_.erase(found);
        if (focused_ == id) focused_.clear();
    });
}

void WindowMirror::focused(const std::string& id) {
    change([&] {
        focused_ = id;
        const auto found = locate(windows_, id);
        if (found != windows_.end()) std::rotate(windows_.begin(), found, std::next(found));
    });
}

void WindowMirror::replaced(Windows windows, const std::string& focusedId) {
    change([&] {
        for (auto& window : windows) {
            const auto known = locate(windows_, window.id);
            if (known == windows_.end()) {
                if (window.number == 0) window.number = nextNumber_++;
                continue;
            }
            if (!window.pid) window.pid = known->pid;
            window.number = known->number;
        }
        windows_ = std::move(windows);
        focused_ = focusedId;
    });
}

void WindowMirror::cleared() {
    change([&] {
        windows_.clear();
        focused_.clear();
    });
}

std::optional<MirrorWindow> WindowMirror::find(const std::string& id) const {
    std::lock_guard lock(mutex_);
    const auto found = std::find_if(windows_.begin(), windows_.end(),
                                    [&](const MirrorWindow& window) { return window.id == id; });
    if (found == windows_.end()) return std::nullopt;
    return *found;
}

std::optional<MirrorWindow> WindowMirror::focusedWindow() const {
    std::lock_guard lock(mutex_);
    if (focused_.empty()) return std::nullopt;
    const auto found =
        std::find_if(windows_.begin(), windows_.end(),
                     [&](const MirrorWindow& window) { return window.id == focused_; });
    if (found == windows_.end()) return std::nullopt;
    return *found;
}

WindowMirror::Windows WindowMirror::windows() const {
    std::lock_guard lock(mutex_);
    return frontFirst(windows_);
}

bool WindowMirror::waitFor(std::chrono::milliseconds timeout,
                           const std::function<bool(const Windows&)>& done) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(windows_); });
}

}  // namespace varnic
