#include "platform/i3ipc/I3Feed.h"

#include <cmath>

#include "support/Log.h"

namespace varnic {
namespace {

bool changesLayout(const std::string& change) {
    return change == "new" || change == "close" || change == "move" || change == "floating" ||
           change == "fullscreen_mode";
}

I3Feed::Layout layoutOf(const I3Container& container) {
    return {container.floating, container.fullscreen, container.content, container.applying};
}

}  // namespace

I3Feed::I3Feed(WindowMirror& mirror, X11Lookup lookup)
    : mirror_(mirror), lookup_(std::move(lookup)) {}

// X11 windows are looked up once: their pid and hints do not change.
void I3Feed::lookUp(std::vector<I3Container>& containers) {
    std::vector<std::uint32_t> unknown;
    for (const auto& container : containers) {
        const auto x11 = container.window.x11Window;
        if (x11 && !x11_.contains(*x11)) unknown.push_back(*x11);
    }
    if (lookup_ && !unknown.empty()) {
        for (auto& [window, facts] : lookup_(unknown)) x11_.insert_or_assign(window, facts);
    }
    for (auto& container : containers) {
        const auto x11 = container.window.x11Window;
        if (!x11 || container.window.pid) continue;
        if (const auto found = x11_.find(*x11); found != x11_.end()) {
            container.window.pid = found->second.pid;
        }
    }
}

bool I3Feed::readTree(I3Channel& channel, I3Channel::Deadline deadline) {
    const auto reply = channel.request(I3IpcConnection::getTree, "", deadline);
    if (!reply) return false;
    auto containers = i3tree::windows(*reply);
    if (!containers) {
        Log::write(channel.logPrefix() + "the compositor's window tree is malformed");
        return false;
    }
    replace(std::move(*containers));
    return true;
}

void I3Feed::replace(std::vector<I3Container> containers) {
    lookUp(containers);
    layouts_.clear();
    WindowMirror::Windows windows;
    std::string focused;
    for (auto& container : containers) {
        layouts_.insert_or_assign(container.window.id, layoutOf(container));
        if (container.focused) focused = container.window.id;
        windows.push_back(std::move(container.window));
    }
    mirror_.replaced(std::move(windows), focused);
    layoutStale_ = false;
}

bool I3Feed::apply(I3WindowEvent event) {
    if (changesLayout(event.change)) layoutStale_ = true;
    if (event.change == "close") {
        const auto& closed = event.container.window;
        if (closed.x11Window) x11_.erase(*closed.x11Window);
        layouts_.erase(closed.id);
        mirror_.closed(closed.id);
        return false;
    }
    std::vector<I3Container> one{std::move(event.container)};
    lookUp(one);
    auto& container = one.front();
    auto& window = container.window;
    layouts_.insert_or_assign(window.id, layoutOf(container));
    // Events do not say whether a window is in the scratchpad; the tree did.
    if (const auto known = mirror_.find(window.id)) window.minimized = known->minimized;
    if (event.change == "focus") {
        const auto before = mirror_.focusedWindow();
        const auto id = window.id;
        mirror_.changed(std::move(window));
        mirror_.focused(id);
        return !before || before->id != id;
    }
    // Any other change (new, title, move, floating, fullscreen_mode, urgent,
    // mark) carries the container as it now is.
    if (event.change == "new") {
        mirror_.opened(std::move(window));
    } else {
        mirror_.changed(std::move(window));
    }
    return false;
}

std::optional<I3Feed::Layout> I3Feed::layout(const std::string& id) const {
    const auto found = layouts_.find(id);
    if (found == layouts_.end()) return std::nullopt;
    return found->second;
}

std::optional<SizeLimits> I3Feed::outerLimits(const MirrorWindow& window) const {
    if (!window.x11Window) return std::nullopt;
    const auto facts = x11_.find(*window.x11Window);
    const auto place = layout(window.id);
    if (facts == x11_.end() || !place) return std::nullopt;
    return facts->second.limits.outer(std::llround(window.frame.width - place->content.width),
                                      std::llround(window.frame.height - place->content.height));
}

}  // namespace varnic
