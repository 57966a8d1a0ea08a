#include "platform/kwin/KWinResize.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/mirror/MirrorWindowSystem.h"
#include "support/Log.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

constexpr const char* who = "KWin: ";

bool sameSize(const MirrorRect& frame, Size size) {
    return std::abs(frame.width - size.width) < 0.5 && std::abs(frame.height - size.height) < 0.5;
}

// The size asked for, held within the window's own limits: where its frame
// ends when the window keeps to them.
Size withinLimits(const MirrorWindow& window, Size size) {
    if (!window.limits) return size;
    const auto& limits = *window.limits;
    return {std::clamp(size.width, double(limits.width.minimum), double(limits.width.maximum)),
            std::clamp(size.height, double(limits.height.minimum), double(limits.height.maximum))};
}

}  // namespace

SizeWriteResult KWinResize::operator()(const MirrorWindow& window, Size size,
                                       WindowSource::Deadline deadline) {
    if (sameSize(window.frame, size)) return {ax::success, std::nullopt};
    if (!window.resizable) {
        Log::write(std::string(who) + "the window is not resizable");
        return {ax::failure, std::nullopt};
    }
    const auto serial = nextSerial_++;
    const nlohmann::json request = {
        {"serial", serial}, {"id", window.id}, {"width", size.width}, {"height", size.height}};
    if (!scripts_.runResize(request.dump())) {
        Log::write(std::string(who) + "the resize script did not run");
        return {ax::cannotComplete, std::nullopt};
    }
    Responsive::waitUntil(deadline,
                          [&](Responsive::Slice slice) { return answers_.waitFor(slice, serial); });
    scripts_.unloadResize();
    const auto answer = answers_.take(serial);
    if (!answer) {
        Log::write(std::string(who) + "no answer to the resize in time");
        return {ax::cannotComplete, std::nullopt};
    }
    switch (answer->state) {
        case KWinResizeAnswer::State::gone:
            return {ax::invalidUIElement, std::nullopt};
        case KWinResizeAnswer::State::fixed:
            Log::write(std::string(who) + "the window is not resizable");
            return {ax::failure, std::nullopt};
        case KWinResizeAnswer::State::asked:
            break;
    }
    return awaitSize(window.id, size, deadline);
}

// On Wayland the frame changes only once the client acknowledged the new
// size, which the resident script then reports. The wait ends as soon as the
// frame has the size, or the one the window's limits hold it to.
SizeWriteResult KWinResize::awaitSize(const std::string& id, Size size,
                                      WindowSource::Deadline deadline) {
    auto settled = [&](const WindowMirror::Windows& windows) {
        const auto found =
            std::find_if(windows.begin(), windows.end(),
                         [&](const MirrorWindow& window) { return window.id == id; });
        if (found == windows.end()) return true;
        return sameSize(found->frame, withinLimits(*found, size));
    };
    Responsive::waitUntil(deadline,
                          [&](Responsive::Slice slice) { return mirror_.waitFor(slice, settled); });
    const auto window = mirror_.find(id);
    if (!window) return {ax::invalidUIElement, std::nullopt};
    return MirrorWindowSystem::verdict(who, *window, size, window->frame);
}

}  // namespace varnic
