#include "platform/i3ipc/I3WindowModel.h"

#include <algorithm>

namespace varnic {

std::vector<I3Window>::iterator I3WindowModel::locate(std::int64_t id) {
    return std::find_if(windows_.begin(), windows_.end(),
                        [id](const I3Window& window) { return window.id == id; });
}

const I3Window* I3WindowModel::find(std::int64_t id) const {
    const auto found = std::find_if(windows_.begin(), windows_.end(),
                                    [id](const I3Window& window) { return window.id == id; });
    return found == windows_.end() ? nullptr : &*found;
}

const I3Window* I3WindowModel::focused() const {
    return focused_ ? find(*focused_) : nullptr;
}

void I3WindowModel::keepKnownPid(I3Window& window) const {
    if (window.pid) return;
    if (const auto* known = find(window.id); known && known->x11Window == window.x11Window) {
        window.pid = known->pid;
    }
}

void I3WindowModel::replace(std::vector<I3Window> windows) {
    for (auto& window : windows) keepKnownPid(window);
    windows_ = std::move(windows);
    focused_.reset();
    for (const auto& window : windows_) {
        if (window.focused) focused_ = window.id;
    }
}

bool I3WindowModel::apply(I3WindowEvent event) {
    auto& window = event.window;
    keepKnownPid(window);
    const auto existing = locate(window.id);
    if (event.change == "close") {
        if (existing != windows_.end()) windows_.erase(existing);
        if (focused_ == window.id) focused_.reset();
        return false;
    }
    if (event.change == "focus") {
        if (existing != windows_.end()) windows_.erase(existing);
        const bool changed = focused_ != window.id;
        focused_ = window.id;
        windows_.insert(windows_.begin(), std::move(window));
        return changed;
    }
    // Any other change (new, title, move, floating, fullscreen_mode, urgent,
    // mark) carries the container as it now is; its place in the order stays.
    if (existing != windows_.end()) {
        *existing = std::move(window);
    } else {
        windows_.push_back(std::move(window));
    }
    return false;
}

std::vector<const I3Window*> I3WindowModel::windowsOf(Pid pid) const {
    std::vector<const I3Window*> found;
    for (const auto& window : windows_) {
        if (window.pid == pid) found.push_back(&window);
    }
    return found;
}

std::vector<std::uint32_t> I3WindowModel::x11WindowsWithoutPid() const {
    std::vector<std::uint32_t> found;
    for (const auto& window : windows_) {
        if (!window.pid && window.x11Window) found.push_back(*window.x11Window);
    }
    return found;
}

void I3WindowModel::setPid(std::uint32_t x11Window, Pid pid) {
    for (auto& window : windows_) {
        if (window.x11Window == x11Window) window.pid = pid;
    }
}

}  // namespace varnic
