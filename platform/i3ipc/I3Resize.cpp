#include "platform/i3ipc/I3Resize.h"

#include <cmath>
#include <variant>

#include "platform/mirror/MirrorWindowSystem.h"
#include "support/Log.h"
#include "support/LogFormat.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

// sway draws a new size this long after it asked the client, answered or not;
// an answer that comes later still takes its place.
constexpr auto clientTime = std::chrono::milliseconds(200);

double secondsLeft(I3Channel::Deadline deadline) {
    return std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
}

bool sameSize(const MirrorRect& frame, Size size) {
    return std::lround(frame.width) == std::lround(size.width) &&
           std::lround(frame.height) == std::lround(size.height);
}

}  // namespace

// A tiled container's size belongs to the layout, so the window is floated
// first; a full-screen one leaves full screen. "resize set" sizes the whole
// container, title bar and borders included: the outer frame.
std::optional<SizeWriteResult> I3Resize::command(const MirrorWindow& window, Size size,
                                                 I3Channel::Deadline deadline) {
    const auto layout = feed_.layout(window.id).value_or(I3Feed::Layout{});
    std::string command = "[con_id=" + window.id + "] ";
    if (layout.fullscreen) command += "fullscreen disable, ";
    if (!layout.floating) {
        Log::write(channel_.logPrefix() + "window " + window.id + " (" +
                   logformat::escaped(window.appName.empty() ? window.title : window.appName) +
                   ") is tiled; floating it so that it can take a size of its own");
    }
    command += "floating enable, resize set width " + logformat::number(size.width) +
               " px height " + logformat::number(size.height) + " px";
    const auto reply = channel_.request(I3IpcConnection::runCommand, command, deadline);
    if (!reply) return SizeWriteResult{channel_.timedOut(secondsLeft(deadline)), std::nullopt};
    if (const auto outcome = i3tree::commandOutcome(*reply); !outcome.success) {
        // The window may have gone just before the command reached it.
        if (!mirror_.find(window.id)) return SizeWriteResult{ax::invalidUIElement, std::nullopt};
        Log::write(channel_.logPrefix() +
                   "the compositor refused the size: " + logformat::escaped(outcome.error));
        return SizeWriteResult{ax::failure, std::nullopt};
    }
    return std::nullopt;
}

// i3 applies a size, within the window's size hints, before it answers the
// command: the tree then shows the outcome. sway answers at once, sends the
// client the new size and draws it once the client answered (or after the
// time it gives a client): until then its tree shows the size asked for.
// sway 1.7 sends no event for any of this, and a native client's answer
// shows in the tree only when it differs, so for those the tree is polled
// and a frame counts once it has stayed the same for the time sway gives a
// client. An XWayland window takes its size from the X server, which tells
// when it did: it counts once the X server has the window's own area at the
// size the tree shows. A frame of the old size on its way may still take the
// new one's place in the tree for a moment: the tree is polled until the two
// agree, as sway tells nothing when XWayland's next frame puts it right.
std::variant<MirrorWindow, SizeWriteResult> I3Resize::settled(const MirrorWindow& window,
                                                              I3Channel::Deadline deadline,
                                                              Await await, Size size) {
    std::optional<MirrorRect> seen;
    auto changed = std::chrono::steady_clock::now();
    for (;;) {
        if (!feed_.readTree(channel_, deadline)) {
            return SizeWriteResult{channel_.timedOut(secondsLeft(deadline)), std::nullopt};
        }
        auto found = mirror_.find(window.id);
        if (!found) return SizeWriteResult{ax::invalidUIElement, std::nullopt};
        const auto now = std::chrono::steady_clock::now();
        if (!channel_.isSway() || now >= deadline) return *found;
        const auto pause = std::min(deadline, now + Responsive::slice);
        if (await == Await::x11) {
            // The X server tells each change of the window; the tree is read
            // again when a slice passed without one.
            const auto reached = [&] { return x11Reached(*found) && !applying(window); };
            while (!reached() && x11_.awaitChange(pause)) {
            }
            if (reached()) return *found;
            continue;
        }
        if (seen && !sameSize(*seen, {found->frame.width, found->frame.height})) changed = now;
        seen = found->frame;
        const bool answered = await == Await::layout || now - changed >= clientTime ||
                              (await == Await::firstAnswer && !sameSize(found->frame, size));
        if (answered && !applying(window)) return *found;
        // A window event (the client's new title, a close) ends the pause early.
        channel_.awaitEvent(pause);
    }
}

bool I3Resize::applying(const MirrorWindow& window) const {
    const auto layout = feed_.layout(window.id);
    return layout && layout->applying;
}

bool I3Resize::x11Reached(const MirrorWindow& window) const {
    const auto layout = feed_.layout(window.id);
    const auto has = x11_.size();
    return layout && has &&
           *has == X11SizeWatch::Extent{std::lround(layout->content.width),
                                        std::lround(layout->content.height)};
}

// A window mapped a moment ago may still be answering the layout's size:
// sway would take that answer after the new size, so the resize waits until
// the window's first layout is drawn. A native client may answer the size of
// an earlier layout even so; asked once more, at once, it takes the new one.
SizeWriteResult I3Resize::operator()(const MirrorWindow& window, Size size,
                                     I3Channel::Deadline deadline) {
    auto result = resize(window, size, deadline);
    x11_.stop();
    return result;
}

SizeWriteResult I3Resize::resize(const MirrorWindow& window, Size size,
                                 I3Channel::Deadline deadline) {
    channel_.drain();
    if (channel_.isSway() && applying(window)) {
        auto drawn = settled(window, deadline, Await::layout, size);
        if (auto* result = std::get_if<SizeWriteResult>(&drawn)) return *result;
    }
    // Followed from before the command on, so that no change is missed.
    const bool x11 =
        channel_.isSway() && window.x11Window && x11_.follow(*window.x11Window, deadline);
    for (int attempt = 0;; ++attempt) {
        if (auto refused = command(window, size, deadline)) return *refused;
        // The X server confirms the size asked for; any other outcome may be
        // a frame of an older size on its way, and is taken as a native
        // client's answer is.
        if (x11 && attempt == 0) {
            auto confirmed = settled(window, deadline, Await::x11, size);
            if (auto* result = std::get_if<SizeWriteResult>(&confirmed)) return *result;
            const auto& took = std::get<MirrorWindow>(confirmed);
            if (x11Reached(took) && sameSize(took.frame, size)) return {ax::success, std::nullopt};
        }
        const auto await = attempt == 0 ? Await::firstAnswer : Await::answer;
        auto confirmed = settled(window, deadline, await, size);
        if (auto* result = std::get_if<SizeWriteResult>(&confirmed)) return *result;
        auto& took = std::get<MirrorWindow>(confirmed);
        if (channel_.isSway() && attempt == 0 && !sameSize(took.frame, size)) continue;
        took.limits = feed_.outerLimits(took);
        return MirrorWindowSystem::verdict(channel_.logPrefix(), took, size, took.frame);
    }
}

}  // namespace varnic
