#include "platform/i3ipc/I3WindowSystem.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "platform/i3ipc/I3Tree.h"
#include "platform/proc/ProcessInfo.h"
#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {
namespace {

// Calls made without a messaging timeout still end: a healthy compositor
// answers in milliseconds, and a few seconds do not freeze the panel for long.
constexpr double defaultTimeoutSeconds = 3.0;
// XWayland and X11 carry sizes as 16-bit quantities; no screen is larger.
constexpr double maxSize = 32767;
// A Wayland client answers a new size on its own time, after the compositor
// has already reported the size it asked for; a size counts once it has held
// this long. sway gives clients 200 ms before it shows a size anyway.
constexpr auto waylandSettle = std::chrono::milliseconds(250);
// How long a read-back waits for events between two reads of the tree.
constexpr auto readBackInterval = std::chrono::milliseconds(10);
// A window that stops this close to the size asked for is snapping to its
// size increments (a terminal's character cells).
constexpr double incrementSlack = 32;

const I3Element* asI3(const ElementRef& element) {
    return dynamic_cast<const I3Element*>(&element);
}

std::string formatSeconds(double seconds) {
    std::ostringstream text;
    text.precision(1);
    text << std::fixed << seconds;
    return text.str();
}

bool changesLayout(const std::string& change) {
    return change == "new" || change == "close" || change == "move" || change == "floating" ||
           change == "fullscreen_mode";
}

std::string describe(const I3Window& window) {
    return std::to_string(window.id) + " (" +
           logformat::escaped(window.appName.value_or(window.title)) + ")";
}

}  // namespace

I3WindowSystem::I3WindowSystem(std::string socketPath, PidLookup pidLookup)
    : socketPath_(std::move(socketPath)),
      pidLookup_(std::move(pidLookup)),
      ownExecutable_(ProcessInfo::ownExecutablePath()) {
    connect();
}

I3WindowSystem::~I3WindowSystem() = default;

std::string I3WindowSystem::logPrefix() const {
    if (!compositor_) return "sway/i3 IPC: ";
    return compositor_->substr(0, compositor_->find(' ')) + " IPC: ";
}

bool I3WindowSystem::connect() {
    const auto deadline = I3IpcConnection::deadlineAfter(defaultTimeoutSeconds);
    connection_ = I3IpcConnection::open(socketPath_, deadline);
    lastActivePid_.reset();
    std::optional<std::string> version;
    std::optional<std::string> subscribed;
    if (connection_) version = request(I3IpcConnection::getVersion, "", deadline);
    if (version) compositor_ = i3tree::compositorName(*version);
    if (compositor_) {
        subscribed = request(I3IpcConnection::subscribe, R"(["window"])", deadline);
    }
    if (!subscribed || !i3tree::commandOutcome("[" + *subscribed + "]").success ||
        !refreshTree(deadline)) {
        if (!reportedUnreachable_) {
            Log::write(logPrefix() + "cannot reach the compositor at " +
                       logformat::escaped(socketPath_));
        }
        reportedUnreachable_ = true;
        connection_.reset();
        return false;
    }
    reportedUnreachable_ = false;
    return true;
}

I3IpcConnection* I3WindowSystem::connection() {
    if (connection_ && connection_->broken()) {
        Log::write(logPrefix() + "lost the connection to the compositor");
        connection_.reset();
        reportedUnreachable_ = true;
    }
    // A compositor that restarted (i3 restart) listens again on its socket.
    if (!connection_) connect();
    return connection_.get();
}

int I3WindowSystem::connectionFd() const {
    return connection_ && !connection_->broken() ? connection_->fd() : -1;
}

std::optional<std::string> I3WindowSystem::request(std::uint32_t type, std::string_view payload,
                                                   Deadline deadline) {
    if (!connection_ || !connection_->send(type, payload, deadline)) return std::nullopt;
    ++requests_;
    for (;;) {
        auto message = connection_->receive(deadline);
        if (!message) return std::nullopt;
        if (message->isEvent()) {
            handle(*message);
        } else if (message->type == type) {
            return std::move(message->payload);
        }
    }
}

void I3WindowSystem::handle(const I3IpcConnection::Message& message) {
    if (message.type != (I3IpcConnection::eventBit | I3IpcConnection::windowEvent)) return;
    auto event = i3tree::windowEvent(message.payload);
    if (!event) return;
    const bool needsPid = !event->window.pid && event->window.x11Window;
    if (changesLayout(event->change)) layoutStale_ = true;
    if (model_.apply(std::move(*event))) focusChanged_ = true;
    if (needsPid) lookUpPids();
}

bool I3WindowSystem::refreshTree(Deadline deadline) {
    const auto reply = request(I3IpcConnection::getTree, "", deadline);
    if (!reply) return false;
    auto windows = i3tree::windows(*reply);
    if (!windows) {
        Log::write(logPrefix() + "the compositor's window tree is malformed");
        return false;
    }
    model_.replace(std::move(*windows));
    layoutStale_ = false;
    lookUpPids();
    return true;
}

void I3WindowSystem::lookUpPids() {
    if (!pidLookup_) return;
    const auto missing = model_.x11WindowsWithoutPid();
    if (missing.empty()) return;
    for (const auto& [window, pid] : pidLookup_(missing)) model_.setPid(window, pid);
}

void I3WindowSystem::drainQueued() {
    if (!connection_) return;
    while (auto message = connection_->poll()) handle(*message);
}

void I3WindowSystem::processEvents() {
    if (!connection_) return;
    drainQueued();
    // Reports a connection the compositor closed, and opens it again.
    connection();
    notifyActivation();
}

AXError I3WindowSystem::timedOut(std::optional<float> seconds) {
    if (connection_ && !connection_->broken()) {
        Log::write(logPrefix() + "no answer from the compositor within " +
                   formatSeconds(seconds.value_or(defaultTimeoutSeconds)) + " s");
    } else {
        connection();
    }
    return ax::cannotComplete;
}

I3WindowSystem::Deadline I3WindowSystem::deadlineFor(const I3Element& element) const {
    return I3IpcConnection::deadlineAfter(element.timeout().value_or(defaultTimeoutSeconds));
}

// Trust: the compositor's socket answers.
bool I3WindowSystem::isProcessTrusted() {
    return connection() != nullptr;
}

Element I3WindowSystem::createSystemWide() {
    return I3Element::systemWide();
}

Element I3WindowSystem::createApplication(Pid pid) {
    return I3Element::application(pid, std::nullopt);
}

AXError I3WindowSystem::setMessagingTimeout(const ElementRef& element, float seconds) {
    const auto* i3 = asI3(element);
    if (!i3 || !std::isfinite(seconds) || seconds < 0) return ax::illegalArgument;
    // As on macOS, zero restores the default.
    i3->setTimeout(seconds == 0 ? static_cast<float>(defaultTimeoutSeconds) : seconds);
    return ax::success;
}

AttributeResult I3WindowSystem::readSystemWide(std::string_view attribute) {
    if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
    if (!connection()) return {ax::cannotComplete, {}};
    drainQueued();
    const auto* focused = model_.focused();
    if (!focused || !focused->pid) return {ax::noValue, {}};
    return {ax::success, I3Element::application(*focused->pid, std::nullopt)};
}

AttributeResult I3WindowSystem::readApplication(const I3Element& application,
                                                std::string_view attribute) {
    const bool known = attribute == attr::focusedWindow || attribute == attr::mainWindow ||
                       attribute == attr::windows || attribute == attr::focusedUIElement;
    if (!known) return {ax::attributeUnsupported, {}};
    if (!ProcessInfo::exists(application.pid())) return {ax::invalidUIElement, {}};
    if (!connection()) return {ax::cannotComplete, {}};
    drainQueued();
    const auto windows = model_.windowsOf(application.pid());
    const auto* focused = model_.focused();
    const bool ownsFocus = focused && focused->pid == application.pid();
    const auto timeout = application.timeout();
    auto element = [&](const I3Window& window) {
        return AttributeResult{ax::success, I3Element::window(window.id, timeout)};
    };
    if (attribute == attr::focusedUIElement) {
        return ownsFocus ? element(*focused) : AttributeResult{ax::noValue, {}};
    }
    if (attribute == attr::focusedWindow && ownsFocus) return element(*focused);
    if (attribute != attr::windows) {
        return windows.empty() ? AttributeResult{ax::noValue, {}} : element(*windows.front());
    }
    ElementList list;
    for (const auto* window : windows) list.push_back(I3Element::window(window->id, timeout));
    return {ax::success, std::move(list)};
}

AttributeResult I3WindowSystem::readWindowAttribute(const I3Element& window,
                                                    std::string_view attribute) {
    if (attribute != attr::title) return {ax::attributeUnsupported, {}};
    if (!connection()) return {ax::cannotComplete, {}};
    drainQueued();
    const auto* found = model_.find(window.id());
    if (!found) return {ax::invalidUIElement, {}};
    return {ax::success, found->title};
}

AttributeResult I3WindowSystem::copyAttributeValue(const ElementRef& element,
                                                   std::string_view attribute) {
    const auto* i3 = asI3(element);
    if (!i3) return {ax::illegalArgument, {}};
    switch (i3->kind()) {
        case I3Element::Kind::systemWide:
            return readSystemWide(attribute);
        case I3Element::Kind::application:
            return readApplication(*i3, attribute);
        case I3Element::Kind::window:
            return readWindowAttribute(*i3, attribute);
    }
    return {ax::failure, {}};
}

AXError I3WindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto* i3 = asI3(element);
    if (!i3 || i3->kind() == I3Element::Kind::systemWide) return ax::illegalArgument;
    if (i3->kind() == I3Element::Kind::application) {
        pid = i3->pid();
        return ax::success;
    }
    if (!connection()) return ax::cannotComplete;
    drainQueued();
    const auto* found = model_.find(i3->id());
    if (!found) return ax::invalidUIElement;
    if (!found->pid) return ax::failure;
    pid = *found->pid;
    return ax::success;
}

std::optional<SizeValue> I3WindowSystem::createSizeValue(double width, double height) {
    auto representable = [](double side) {
        return std::isfinite(side) && side >= 1 && side <= maxSize;
    };
    if (!representable(width) || !representable(height)) return std::nullopt;
    return SizeValue{{width, height}};
}

SizeWriteResult I3WindowSystem::setAttributeValue(const ElementRef& element,
                                                  std::string_view attribute,
                                                  const SizeValue& value) {
    const auto* i3 = asI3(element);
    if (attribute != attr::size) return {ax::attributeUnsupported, std::nullopt};
    if (!i3 || i3->kind() != I3Element::Kind::window) return {ax::illegalArgument, std::nullopt};
    if (!connection()) return {ax::cannotComplete, std::nullopt};
    return writeSize(*i3, value.size);
}

// A tiled container's size belongs to the layout, so the window is floated
// first; a full-screen one leaves full screen. "resize set" sizes the whole
// container, title bar and borders included: the outer frame.
SizeWriteResult I3WindowSystem::writeSize(const I3Element& window, Size size) {
    drainQueued();
    const auto* found = model_.find(window.id());
    if (!found) return {ax::invalidUIElement, std::nullopt};
    const Size asked{std::round(size.width), std::round(size.height)};
    std::string command = "[con_id=" + std::to_string(window.id()) + "] ";
    if (found->fullscreen) command += "fullscreen disable, ";
    if (!found->floating) {
        Log::write(logPrefix() + "window " + describe(*found) +
                   " is tiled; floating it so that it can take a size of its own");
    }
    command += "floating enable, resize set width " + logformat::number(asked.width) +
               " px height " + logformat::number(asked.height) + " px";
    // A window mapped a moment ago may still be answering the layout's size
    // when the command comes; sway then keeps the size the client commits.
    // Asked once more, it takes the new one.
    for (int attempt = 0;; ++attempt) {
        const auto reply = request(I3IpcConnection::runCommand, command, deadlineFor(window));
        if (!reply) return {timedOut(window.timeout()), std::nullopt};
        if (const auto outcome = i3tree::commandOutcome(*reply); !outcome.success) {
            // The window may have gone just before the command reached it.
            if (!model_.find(window.id())) return {ax::invalidUIElement, std::nullopt};
            Log::write(logPrefix() +
                       "the compositor refused the size: " + logformat::escaped(outcome.error));
            return {ax::failure, std::nullopt};
        }
        auto result = readBack(window, asked);
        if (!result.nearest || attempt > 0) return result;
    }
}

// Reads the tree until the window's outer frame has held one size for the
// settling time (none on i3: X11 sizes are final when the command returns),
// then judges it against the size asked for.
SizeWriteResult I3WindowSystem::readBack(const I3Element& window, Size asked) {
    const auto settle = compositor_ && compositor_->rfind("sway", 0) == 0
                            ? std::chrono::steady_clock::duration(waylandSettle)
                            : std::chrono::steady_clock::duration::zero();
    const auto deadline = deadlineFor(window);
    std::optional<Size> seen;
    auto since = std::chrono::steady_clock::now();
    for (;;) {
        if (!refreshTree(deadline)) return {timedOut(window.timeout()), std::nullopt};
        const auto* found = model_.find(window.id());
        if (!found) return {ax::invalidUIElement, std::nullopt};
        const Size outer{std::round(found->outer.width), std::round(found->outer.height)};
        const auto now = std::chrono::steady_clock::now();
        if (!seen || seen->width != outer.width || seen->height != outer.height) {
            seen = outer;
            since = now;
        }
        if (now - since >= settle) break;
        if (now >= deadline) return {timedOut(window.timeout()), std::nullopt};
        if (auto message = connection_->receive(std::min(deadline, now + readBackInterval))) {
            handle(*message);
        }
    }
    if (seen->width == asked.width && seen->height == asked.height) {
        return {ax::success, std::nullopt};
    }
    std::string reason = "its maximum size";
    if (seen->width > asked.width || seen->height > asked.height) {
        reason = "its minimum size";
    } else if (asked.width - seen->width < incrementSlack &&
               asked.height - seen->height < incrementSlack) {
        reason = "its size increments";
    }
    return {ax::success, SizeWriteResult::Nearest{*seen, reason}};
}

std::optional<std::vector<WindowListEntry>> I3WindowSystem::copyWindowList() {
    if (!connection()) return std::nullopt;
    drainQueued();
    // Events tell which windows exist and their order, not where a layout
    // change moved the others: reread the tree after one.
    if (layoutStale_ && !refreshTree(I3IpcConnection::deadlineAfter(defaultTimeoutSeconds))) {
        timedOut(std::nullopt);
        return std::nullopt;
    }
    std::vector<WindowListEntry> entries;
    for (const auto& window : model_.windows()) {
        WindowListEntry entry;
        entry.ownerPID = window.pid;
        entry.windowName = window.title;
        entry.ownerName = window.appName;
        if (!entry.ownerName && window.pid) entry.ownerName = ProcessInfo::commandName(*window.pid);
        entry.windowNumber = window.id;
        entry.windowLayer = 0;
        entry.bounds = std::map<std::string, double>{{"X", window.outer.x},
                                                     {"Y", window.outer.y},
                                                     {"Width", window.outer.width},
                                                     {"Height", window.outer.height}};
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<RunningApplication> I3WindowSystem::runningApplication(Pid pid) {
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    RunningApplication application;
    application.processIdentifier = pid;
    application.bundleIdentifier = ProcessInfo::executablePath(pid);
    const auto windows = model_.windowsOf(pid);
    application.activationPolicy =
        windows.empty() ? ActivationPolicy::accessory : ActivationPolicy::regular;
    for (const auto* window : windows) {
        if (!application.localizedName) application.localizedName = window->appName;
    }
    if (!application.localizedName) application.localizedName = ProcessInfo::commandName(pid);
    const auto* focused = model_.focused();
    application.isActive = focused && focused->pid == pid;
    return application;
}

std::optional<RunningApplication> I3WindowSystem::frontmostApplication() {
    if (!connection()) return std::nullopt;
    drainQueued();
    const auto* focused = model_.focused();
    if (!focused || !focused->pid) return std::nullopt;
    return runningApplication(*focused->pid);
}

Pid I3WindowSystem::ownPid() {
    return static_cast<Pid>(::getpid());
}

PermissionGuide I3WindowSystem::permissionGuide() const {
    return {"Compositor Not Reachable",
            "Varnic controls other windows on sway and i3 through the compositor's IPC socket, "
            "and cannot reach it.",
            {"Click the button below to open Varnic's help page.",
             "Start Varnic from within your sway or i3 session, so that it finds the socket.",
             "The app will automatically detect the change."},
            "Open Help Page"};
}

Subscription I3WindowSystem::subscribeActivations(ActivationHandler handler) {
    return activationHandlers_.subscribe(std::move(handler));
}

// Several focus changes in one drain are one activation: only the last counts.
void I3WindowSystem::notifyActivation() {
    if (!focusChanged_) return;
    focusChanged_ = false;
    const auto* focused = model_.focused();
    if (!focused || !focused->pid || focused->pid == lastActivePid_) return;
    lastActivePid_ = focused->pid;
    auto application = runningApplication(*focused->pid);
    if (!application) return;
    const ActivationNotification notification{std::move(application)};
    activationHandlers_.notify(notification);
}

}  // namespace varnic
