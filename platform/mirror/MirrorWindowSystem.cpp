#include "platform/mirror/MirrorWindowSystem.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "platform/proc/ProcessInfo.h"
#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {
namespace {

// XWayland and X11 carry sizes as 16-bit quantities; no compositor takes more.
constexpr double maxSide = 32767;

// Window levels as the macOS window list numbers them: normal 0, floating 3,
// dock 20, status 25, pop-up 101.
std::int64_t layerOf(const MirrorWindow& window) {
    switch (window.role) {
        case MirrorWindow::Role::popup:
            return 101;
        case MirrorWindow::Role::notification:
            return 25;
        case MirrorWindow::Role::dock:
            return 20;
        case MirrorWindow::Role::application:
        case MirrorWindow::Role::desktop:
            break;
    }
    return window.keepAbove ? 3 : 0;
}

const MirrorElement* asMirror(const ElementRef& element) {
    return dynamic_cast<const MirrorElement*>(&element);
}

std::string sizeText(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

MirrorWindowSystem::MirrorWindowSystem(WindowSource& source)
    : source_(source), ownExecutable_(ProcessInfo::ownExecutablePath()) {}

WindowSource::Deadline MirrorWindowSystem::deadlineFor(std::optional<float> timeout) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(timeout.value_or(defaultTimeoutSeconds)));
}

bool MirrorWindowSystem::isProcessTrusted() {
    return source_.current();
}

Element MirrorWindowSystem::createSystemWide() {
    return MirrorElement::systemWide();
}

Element MirrorWindowSystem::createApplication(Pid pid) {
    return MirrorElement::application(pid, {}, std::nullopt);
}

AXError MirrorWindowSystem::setMessagingTimeout(const ElementRef& element, float seconds) {
    const auto* mirrored = asMirror(element);
    if (!mirrored || !std::isfinite(seconds) || seconds < 0) return ax::illegalArgument;
    // As on macOS, zero restores the default.
    mirrored->setTimeout(seconds == 0 ? defaultTimeoutSeconds : seconds);
    return ax::success;
}

// An application's own windows, front-most first: not the desktop, a panel,
// a pop-up or a notification.
std::vector<MirrorWindow> MirrorWindowSystem::applicationWindows(Pid pid,
                                                                 const std::string& anchor) const {
    auto windows = mirror_.windows();
    std::erase_if(windows, [&](const MirrorWindow& window) {
        const bool owned = pid > 0 ? window.pid == pid : window.id == anchor;
        return !owned || window.role != MirrorWindow::Role::application;
    });
    return windows;
}

AttributeResult MirrorWindowSystem::readSystemWide(std::string_view attribute) {
    if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
    if (!source_.current()) return {ax::cannotComplete, {}};
    const auto focused = mirror_.focusedWindow();
    if (!focused) return {ax::noValue, {}};
    return {ax::success,
            MirrorElement::application(focused->pid.value_or(0), focused->id, std::nullopt)};
}

AttributeResult MirrorWindowSystem::readApplication(const MirrorElement& application,
                                                    std::string_view attribute) {
    const bool known = attribute == attr::focusedWindow || attribute == attr::mainWindow ||
                       attribute == attr::windows || attribute == attr::focusedUIElement;
    if (!known) return {ax::attributeUnsupported, {}};
    if (application.pid() > 0 && !ProcessInfo::exists(application.pid())) {
        return {ax::invalidUIElement, {}};
    }
    if (!source_.current()) return {ax::cannotComplete, {}};
    const auto windows = applicationWindows(application.pid(), application.window());
    const auto focused = mirror_.focusedWindow();
    const bool ownsFocus =
        focused && std::any_of(windows.begin(), windows.end(), [&](const MirrorWindow& window) {
            return window.id == focused->id;
        });
    const auto timeout = application.timeout();
    auto element = [&](const MirrorWindow& window) {
        return AttributeResult{ax::success, MirrorElement::window(window.id, timeout)};
    };

    if (attribute == attr::focusedWindow) {
        if (ownsFocus) return element(*focused);
        if (windows.empty()) return {ax::noValue, {}};
        return element(windows.front());
    }
    if (attribute == attr::focusedUIElement) {
        if (!ownsFocus) return {ax::noValue, {}};
        return element(*focused);
    }
    if (attribute == attr::mainWindow) {
        const auto main = std::find_if(windows.begin(), windows.end(),
                                       [](const MirrorWindow& window) { return window.normal; });
        if (main == windows.end()) return {ax::noValue, {}};
        return element(*main);
    }
    ElementList list;
    for (const auto& window : windows) list.push_back(MirrorElement::window(window.id, timeout));
    return {ax::success, std::move(list)};
}

AttributeResult MirrorWindowSystem::readWindow(const MirrorElement& window,
                                               std::string_view attribute) {
    if (attribute != attr::title) return {ax::attributeUnsupported, {}};
    if (!source_.current()) return {ax::cannotComplete, {}};
    const auto found = mirror_.find(window.window());
    if (!found) return {ax::invalidUIElement, {}};
    return {ax::success, found->title};
}

AttributeResult MirrorWindowSystem::copyAttributeValue(const ElementRef& element,
                                                       std::string_view attribute) {
    const auto* mirrored = asMirror(element);
    if (!mirrored) return {ax::illegalArgument, {}};
    switch (mirrored->kind()) {
        case MirrorElement::Kind::systemWide:
            return readSystemWide(attribute);
        case MirrorElement::Kind::application:
            return readApplication(*mirrored, attribute);
        case MirrorElement::Kind::window:
            return readWindow(*mirrored, attribute);
    }
    return {ax::failure, {}};
}

AXError MirrorWindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto* mirrored = asMirror(element);
    if (!mirrored || mirrored->kind() == MirrorElement::Kind::systemWide) {
        return ax::illegalArgument;
    }
    if (mirrored->kind() == MirrorElement::Kind::application) {
        if (mirrored->pid() <= 0) return ax::failure;
        pid = mirrored->pid();
        return ax::success;
    }
    if (!source_.current()) return ax::cannotComplete;
    const auto found = mirror_.find(mirrored->window());
    if (!found) return ax::invalidUIElement;
    if (!found->pid) return ax::failure;
    pid = *found->pid;
    return ax::success;
}

// Compositors size windows in whole (logical) pixels.
std::optional<SizeValue> MirrorWindowSystem::createSizeValue(double width, double height) {
    auto representable = [](double side) {
        return std::isfinite(side) && side >= 1 && side <= maxSide;
    };
    if (!representable(width) || !representable(height)) return std::nullopt;
    return SizeValue{{std::round(width), std::round(height)}};
}

SizeWriteResult MirrorWindowSystem::setAttributeValue(const ElementRef& element,
                                                      std::string_view attribute,
                                                      const SizeValue& value) {
    const auto* mirrored = asMirror(element);
    if (attribute != attr::size) return {ax::attributeUnsupported, std::nullopt};
    if (!mirrored || mirrored->kind() != MirrorElement::Kind::window) {
        return {ax::illegalArgument, std::nullopt};
    }
    if (!source_.current()) return {ax::cannotComplete, std::nullopt};
    const auto window = mirror_.find(mirrored->window());
    if (!window) return {ax::invalidUIElement, std::nullopt};
    return source_.resize(*window, value.size, deadlineFor(mirrored->timeout()));
}

SizeWriteResult MirrorWindowSystem::verdict(const std::string& who, const MirrorWindow& window,
                                            Size asked, const MirrorRect& took) {
    const auto width = std::llround(asked.width);
    const auto height = std::llround(asked.height);
    const auto tookWidth = std::llround(took.width);
    const auto tookHeight = std::llround(took.height);
    if (tookWidth == width && tookHeight == height) return {ax::success, std::nullopt};
    const auto limits = window.limits.value_or(SizeLimits{});
    const auto reason = limits.reason(width, height, tookWidth, tookHeight);
    if (limits.reached(width, height, tookWidth, tookHeight)) {
        return {ax::success,
                SizeWriteResult::Nearest{{double(tookWidth), double(tookHeight)}, reason}};
    }
    Log::write(who + "the compositor kept window " + window.id + " (" +
               logformat::escaped(window.appName.empty() ? window.title : window.appName) +
               ") at " + sizeText(tookWidth, tookHeight) + " instead of " +
               sizeText(width, height) + (reason.empty() ? "" : ": " + reason));
    return {ax::failure, std::nullopt};
}

// On-screen windows: not the desktop, not minimized, and drawn (a size).
std::optional<std::vector<WindowListEntry>> MirrorWindowSystem::copyWindowList() {
    if (!source_.current()) return std::nullopt;
    std::vector<WindowListEntry> entries;
    for (const auto& window : mirror_.windows()) {
        if (window.role == MirrorWindow::Role::desktop || window.minimized) continue;
        if (window.frame.width <= 0 || window.frame.height <= 0) continue;
        WindowListEntry entry;
        entry.ownerPID = window.pid;
        entry.windowName = window.title;
        if (!window.appName.empty()) {
            entry.ownerName = window.appName;
        } else if (window.pid) {
            entry.ownerName = ProcessInfo::commandName(*window.pid);
        }
        entry.windowNumber = window.number;
        entry.windowLayer = layerOf(window);
        entry.bounds = std::map<std::string, double>{{"X", window.frame.x},
                                                     {"Y", window.frame.y},
                                                     {"Width", window.frame.width},
                                                     {"Height", window.frame.height}};
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Regular: the application has a window of its own that a taskbar shows, as
// on X11. Hidden: every such window is minimized or put away.
std::optional<RunningApplication> MirrorWindowSystem::runningApplication(Pid pid) {
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    RunningApplication application;
    application.processIdentifier = pid;
    application.bundleIdentifier = ProcessInfo::executablePath(pid);
    application.activationPolicy = ActivationPolicy::accessory;
    const auto windows = applicationWindows(pid, {});
    for (const auto& window : windows) {
        if (!application.localizedName && !window.appName.empty()) {
            application.localizedName = window.appName;
        }
        if (!window.skipTaskbar) application.activationPolicy = ActivationPolicy::regular;
    }
    if (!application.localizedName) application.localizedName = ProcessInfo::commandName(pid);
    const auto focused = mirror_.focusedWindow();
    application.isActive = focused && focused->pid == pid;
    application.isHidden = !windows.empty() &&
                           std::all_of(windows.begin(), windows.end(),
                                       [](const MirrorWindow& window) { return window.minimized; });
    return application;
}

std::optional<RunningApplication> MirrorWindowSystem::frontmostApplication() {
    if (!source_.current()) return std::nullopt;
    const auto focused = mirror_.focusedWindow();
    if (!focused || !focused->pid) return std::nullopt;
    return runningApplication(*focused->pid);
}

Pid MirrorWindowSystem::ownPid() {
    return static_cast<Pid>(::getpid());
}

Subscription MirrorWindowSystem::subscribeActivations(ActivationHandler handler) {
    return activationHandlers_.subscribe(std::move(handler));
}

void MirrorWindowSystem::focusMayHaveChanged() {
    const auto focused = mirror_.focusedWindow();
    if (!focused || !focused->pid || focused->pid == lastActivePid_) return;
    lastActivePid_ = focused->pid;
    auto application = runningApplication(*focused->pid);
    if (!application) return;
    const ActivationNotification notification{std::move(application)};
    activationHandlers_.notify(notification);
}

}  // namespace varnic
