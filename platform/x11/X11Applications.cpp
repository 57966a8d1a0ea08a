#include "platform/x11/X11Applications.h"

#include <algorithm>

#include "platform/proc/ProcessInfo.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11WindowReader.h"

namespace varnic {

bool AppWindows::ownsActive() const {
    return std::any_of(windows.begin(), windows.end(),
                       [&](const WindowFacts& facts) { return facts.window == active; });
}

std::optional<AppWindows> X11Applications::windows(std::optional<Pid> pid, xcb_window_t anchor,
                                                   unsigned facts) {
    auto clients = X11WindowList(call_).clients();
    if (!clients) return std::nullopt;
    X11WindowReader reader(call_.c());
    auto identities = reader.read(clients->topmostFirst, X11WindowReader::pid, call_.deadline);
    if (!identities) {
        call_.failed(reader.failure());
        return std::nullopt;
    }
    std::vector<xcb_window_t> mine;
    for (const auto& window : *identities) {
        const bool owned = pid ? window.pid == pid : window.window == anchor;
        if (window.exists && owned) mine.push_back(window.window);
    }
    auto details = reader.read(mine, facts | X11WindowReader::pid, call_.deadline);
    if (!details) {
        call_.failed(reader.failure());
        return std::nullopt;
    }
    std::erase_if(*details, [](const WindowFacts& window) { return !window.exists; });
    return AppWindows{std::move(*details), clients->active};
}

RunningApplication X11Applications::describe(Pid pid,
                                             const std::optional<AppWindows>& found) const {
    auto application = withoutWindows(pid);
    if (found) {
        const auto& atoms = call_.c().atoms();
        auto inTaskbar = [&](const WindowFacts& window) {
            return !window.hasState(atoms[Atom::netWmStateSkipTaskbar]) &&
                   !window.hasType(atoms[Atom::netWmWindowTypeDock]) &&
                   !window.hasType(atoms[Atom::netWmWindowTypeDesktop]);
        };
        const auto& windows = found->windows;
        // The class of the topmost window that has one names the application.
        for (const auto& window : windows) {
            if (window.wmClass) {
                application.localizedName = window.wmClass;
                break;
            }
        }
        for (const auto& window : windows) {
            if (!application.icon) application.icon = window.icon;
            if (inTaskbar(window)) application.activationPolicy = ActivationPolicy::regular;
        }
        application.isActive = found->ownsActive();
        application.isHidden =
            !windows.empty() &&
            std::all_of(windows.begin(), windows.end(), [&](const WindowFacts& w) {
                return w.hasState(atoms[Atom::netWmStateHidden]);
            });
    }
    return application;
}

RunningApplication X11Applications::withoutWindows(Pid pid) {
    RunningApplication application;
    application.processIdentifier = pid;
    application.bundleIdentifier = ProcessInfo::executablePath(pid);
    application.localizedName = ProcessInfo::commandName(pid);
    application.activationPolicy = ActivationPolicy::accessory;
    return application;
}

std::optional<RunningApplication> X11Applications::running(Pid pid) {
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    const unsigned facts = X11WindowReader::wmClass | X11WindowReader::kind | X11WindowReader::icon;
    return describe(pid, windows(pid, XCB_WINDOW_NONE, facts));
}

// A destroyed window's id may already belong to another client's range, and
// X-Resource would name that client: the read also asks for a property of the
// window itself, so that a window that is gone is known as gone.
std::optional<Pid> X11Applications::activePid() {
    const auto clients = X11WindowList(call_).clients();
    if (!clients || clients->active == XCB_WINDOW_NONE) return std::nullopt;
    X11WindowReader reader(call_.c());
    const auto active =
        reader.read(std::span(&clients->active, 1), X11WindowReader::pid, call_.deadline);
    if (!active) {
        call_.failed(reader.failure());
        return std::nullopt;
    }
    if (!active->front().exists) return std::nullopt;
    return active->front().pid;
}

std::optional<RunningApplication> X11Applications::frontmost() {
    const auto pid = activePid();
    if (!pid) return std::nullopt;
    return running(*pid);
}

}  // namespace varnic
