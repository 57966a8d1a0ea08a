#include "support/Responsive.h"

#include <algorithm>
#include <utility>

namespace varnic {
namespace {

std::function<void()>& handler() {
    static std::function<void()> installed;
    return installed;
}

std::chrono::steady_clock::time_point& lastHandled() {
    static std::chrono::steady_clock::time_point last;
    return last;
}

}  // namespace

void Responsive::install(std::function<void()> handleInput) {
    handler() = std::move(handleInput);
}

void Responsive::handleInput() {
    // Input handled here may start another wait; that one does not handle
    // input again, so waits never nest more than one deep.
    static bool handling = false;
    if (handling || !handler()) return;
    handling = true;
    struct Reset {
        ~Reset() {
            handling = false;
            lastHandled() = std::chrono::steady_clock::now();
        }
    } reset;
    handler()();
}

void Responsive::handleInputWhenDue() {
    if (std::chrono::steady_clock::now() - lastHandled() >= slice) handleInput();
}

bool Responsive::waitUntil(Deadline deadline, const std::function<bool(Slice timeout)>& ready) {
    for (;;) {
        const auto left = std::chrono::ceil<Slice>(deadline - std::chrono::steady_clock::now());
        if (ready(std::clamp(left, Slice{0}, slice))) return true;
        if (left <= slice) return false;
        handleInput();
    }
}

}  // namespace varnic
