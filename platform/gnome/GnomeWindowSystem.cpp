#include "platform/gnome/GnomeWindowSystem.h"

#include <unistd.h>

#include <QDBusMessage>
#include <algorithm>
#include <cmath>

#include "platform/gnome/ExtensionBus.h"
#include "platform/proc/ProcessInfo.h"
#include "support/Log.h"

namespace varnic {
namespace {

// Calls made without a messaging timeout still end after a few seconds.
constexpr double defaultTimeoutSeconds = 3.0;
// How long a trust check waits for the extension: less than a poll interval.
constexpr int trustTimeoutMs = 800;
// The extension refuses what X11 could not carry either.
constexpr double maxSide = 32767;

const GnomeElement* asGnome(const ElementRef& element) {
    return dynamic_cast<const GnomeElement*>(&element);
}

int timeoutMs(std::optional<float> seconds) {
    return static_cast<int>(std::lround(seconds.value_or(defaultTimeoutSeconds) * 1000));
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

GnomeWindowSystem::GnomeWindowSystem(QDBusConnection bus, QString variantsDir)
    : mirror_(bus),
      installer_(bus, std::move(variantsDir)),
      bus_(std::move(bus)),
      ownExecutable_(ProcessInfo::ownExecutablePath()) {
    mirror_.setFocusHandler([this] { focusMayHaveChanged(); });
}

bool GnomeWindowSystem::reachable() {
    if (mirror_.synced() || mirror_.sync(trustTimeoutMs)) {
        reportedUnreachable_ = false;
        return true;
    }
    if (!reportedUnreachable_) Log::write("GNOME Shell: Varnic's extension does not answer");
    reportedUnreachable_ = true;
    return false;
}

bool GnomeWindowSystem::isProcessTrusted() {
    return reachable();
}

bool GnomeWindowSystem::isProcessTrustedWithPrompt() {
    if (reachable()) return true;
    installer_.installAndEnable();
    return reachable();
}

PermissionGuide GnomeWindowSystem::permissionGuide() const {
    return {"Extension Required",
            "Varnic needs its GNOME Shell extension to control other windows on your desktop.",
            {"Click the button below to install the extension and switch it on.",
             "Or open Extensions and toggle the switch next to 'Varnic'. A newly installed "
             "extension appears there after you log out and back in.",
             "The app will automatically detect the change."},
            "Enable Extension"};
}

Element GnomeWindowSystem::createApplication(Pid pid) {
    return GnomeElement::application(pid, std::nullopt);
}

AXError GnomeWindowSystem::setMessagingTimeout(const ElementRef& element, float seconds) {
    const auto* gnome = asGnome(element);
    if (!gnome || !std::isfinite(seconds) || seconds < 0) return ax::illegalArgument;
    // As on macOS, zero restores the default.
    gnome->setTimeout(seconds == 0 ? static_cast<float>(defaultTimeoutSeconds) : seconds);
    return ax::success;
}

std::vector<const ShellWindow*> GnomeWindowSystem::windowsOf(Pid pid) const {
    std::vector<const ShellWindow*> found;
    for (const auto& window : mirror_.windows()) {
        if (window.pid == pid) found.push_back(&window);
    }
    return found;
}

AttributeResult GnomeWindowSystem::copyAttributeValue(const ElementRef& element,
                                                      std::string_view attribute) {
    const auto* gnome = asGnome(element);
    if (!gnome) return {ax::illegalArgument, {}};
    switch (gnome->kind()) {
        case GnomeElement::Kind::systemWide: {
            if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
            if (!reachable()) return {ax::cannotComplete, {}};
            const auto* focused = mirror_.focused();
            if (!focused || focused->pid == 0) return {ax::noValue, {}};
            return {ax::success, GnomeElement::application(focused->pid, std::nullopt)};
        }
        case GnomeElement::Kind::application:
            return readApplication(*gnome, attribute);
        case GnomeElement::Kind::window: {
            if (attribute != attr::title) return {ax::attributeUnsupported, {}};
            if (!reachable()) return {ax::cannotComplete, {}};
            const auto* window = mirror_.find(gnome->window());
            if (!window) return {ax::invalidUIElement, {}};
            return {ax::success, window->title.toStdString()};
        }
    }
    return {ax::failure, {}};
}

AttributeResult GnomeWindowSystem::readApplication(const GnomeElement& application,
                                                   std::string_view attribute) {
    const bool known = attribute == attr::focusedWindow || attribute == attr::mainWindow ||
                       attribute == attr::windows || attribute == attr::focusedUIElement;
    if (!known) return {ax::attributeUnsupported, {}};
    if (!ProcessInfo::exists(application.pid())) return {ax::invalidUIElement, {}};
    if (!reachable()) return {ax::cannotComplete, {}};
    const auto windows = windowsOf(application.pid());
    const auto timeout = application.timeout();
    auto element = [&](const ShellWindow* window) {
        return AttributeResult{ax::success, GnomeElement::window(window->id, timeout)};
    };
    const auto* focused = mirror_.focused();
    const bool ownsFocus = focused && focused->pid == application.pid();

    if (attribute == attr::focusedWindow) {
        if (ownsFocus) return element(focused);
        if (windows.empty()) return {ax::noValue, {}};
        return element(windows.front());
    }
    if (attribute == attr::focusedUIElement) {
        if (!ownsFocus) return {ax::noValue, {}};
        return element(focused);
    }
    if (attribute == attr::mainWindow) {
        const auto normal = std::find_if(windows.begin(), windows.end(),
                                         [](const ShellWindow* window) { return window->normal; });
        if (normal == windows.end()) return {ax::noValue, {}};
        return element(*normal);
    }
    ElementList list;
    for (const auto* window : windows) list.push_back(GnomeElement::window(window->id, timeout));
    return {ax::success, std::move(list)};
}

AXError GnomeWindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto* gnome = asGnome(element);
    if (!gnome || gnome->kind() == GnomeElement::Kind::systemWide) return ax::illegalArgument;
    if (gnome->kind() == GnomeElement::Kind::application) {
        pid = gnome->pid();
        return ax::success;
    }
    if (!reachable()) return ax::cannotComplete;
    const auto* window = mirror_.find(gnome->window());
    if (!window) return ax::invalidUIElement;
    if (window->pid == 0) return ax::failure;
    pid = window->pid;
    return ax::success;
}

std::optional<SizeValue> GnomeWindowSystem::createSizeValue(double width, double height) {
    auto representable = [](double side) {
        return std::isfinite(side) && side >= 1 && side <= maxSide;
    };
    if (!representable(width) || !representable(height)) return std::nullopt;
    return SizeValue{{width, height}};
}

SizeWriteResult GnomeWindowSystem::setAttributeValue(const ElementRef& element,
                                                     std::string_view attribute,
                                                     const SizeValue& value) {
    const auto* gnome = asGnome(element);
    if (attribute != attr::size) return {ax::attributeUnsupported, std::nullopt};
    if (!gnome || gnome->kind() != GnomeElement::Kind::window) {
        return {ax::illegalArgument, std::nullopt};
    }
    return {resize(*gnome, value), std::nullopt};
}

// The extension keeps the frame's top-left corner, restores a maximized
// window first and answers with the frame the window took. Only the size
// asked for is a success: GNOME Shell does not say whether another size is
// the window's own limit or the shell's.
AXError GnomeWindowSystem::resize(const GnomeElement& window, const SizeValue& value) {
    if (!reachable()) return ax::cannotComplete;
    if (!mirror_.find(window.window())) return ax::invalidUIElement;
    const int width = static_cast<int>(std::lround(value.size.width));
    const int height = static_cast<int>(std::lround(value.size.height));
    auto call = QDBusMessage::createMethodCall(gnome::extensionName, gnome::extensionPath,
                                               gnome::extensionInterface, QStringLiteral("Resize"));
    call << QVariant::fromValue(qulonglong(window.window())) << width << height;
    const auto reply = bus_.call(call, QDBus::Block, timeoutMs(window.timeout()));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const auto name = reply.errorName();
        Log::write("GNOME Shell: resize refused: " + name.toStdString() + ": " +
                   reply.errorMessage().toStdString());
        if (name == gnome::extensionErrors + QStringLiteral("NoSuchWindow"))
            return ax::invalidUIElement;
        if (name == gnome::extensionErrors + QStringLiteral("NotResizable") ||
            name == gnome::extensionErrors + QStringLiteral("InvalidSize"))
            return ax::failure;
        return ax::cannotComplete;
    }
    const auto frame = shellwindow::frameFromMessage(reply);
    if (!frame) {
        Log::write("GNOME Shell: the extension answered a resize with " +
                   reply.signature().toStdString());
        return ax::cannotComplete;
    }
    mirror_.setFrame(window.window(), *frame);
    if (frame->width() == width && frame->height() == height) return ax::success;
    Log::write("GNOME Shell: the window took " + sizeText(frame->width(), frame->height()) +
               " instead of " + sizeText(width, height));
    return ax::failure;
}

// On-screen windows: neither minimized nor yet to be drawn (no size).
std::optional<std::vector<WindowListEntry>> GnomeWindowSystem::copyWindowList() {
    if (!reachable()) return std::nullopt;
    std::vector<WindowListEntry> entries;
    for (const auto& window : mirror_.windows()) {
        if (window.minimized || window.frame.isEmpty()) continue;
        WindowListEntry entry;
        if (window.pid != 0) entry.ownerPID = window.pid;
        entry.windowName = window.title.toStdString();
        entry.ownerName = window.app.toStdString();
        entry.windowNumber = static_cast<std::int64_t>(window.id & 0x7fffffffffffffffULL);
        entry.windowLayer = 0;
        const auto& frame = window.frame;
        entry.bounds = std::map<std::string, double>{{"X", frame.x()},
                                                     {"Y", frame.y()},
                                                     {"Width", frame.width()},
                                                     {"Height", frame.height()}};
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<RunningApplication> GnomeWindowSystem::runningApplication(Pid pid) {
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    RunningApplication application;
    application.processIdentifier = pid;
    application.bundleIdentifier = ProcessInfo::executablePath(pid);
    application.activationPolicy = ActivationPolicy::accessory;
    const auto windows = windowsOf(pid);
    for (const auto* window : windows) {
        if (!application.localizedName && !window->app.isEmpty())
            application.localizedName = window->app.toStdString();
        if (window->normal) application.activationPolicy = ActivationPolicy::regular;
    }
    const auto* focused = mirror_.focused();
    application.isActive = focused && focused->pid == pid;
    application.isHidden = !windows.empty() &&
                           std::all_of(windows.begin(), windows.end(),
                                       [](const ShellWindow* window) { return window->minimized; });
    if (!application.localizedName) application.localizedName = ProcessInfo::commandName(pid);
    return application;
}

std::optional<RunningApplication> GnomeWindowSystem::frontmostApplication() {
    if (!reachable()) return std::nullopt;
    const auto* focused = mirror_.focused();
    if (!focused || focused->pid == 0) return std::nullopt;
    return runningApplication(focused->pid);
}

Pid GnomeWindowSystem::ownPid() {
    return static_cast<Pid>(::getpid());
}

Subscription GnomeWindowSystem::subscribeActivations(ActivationHandler handler) {
    return activationHandlers_.subscribe(std::move(handler));
}

void GnomeWindowSystem::focusMayHaveChanged() {
    const auto* focused = mirror_.focused();
    if (!focused || focused->pid == 0 || focused->pid == lastActivePid_) return;
    lastActivePid_ = focused->pid;
    auto application = runningApplication(focused->pid);
    if (!application) return;
    const ActivationNotification notification{std::move(application)};
    activationHandlers_.notify(notification);
}

}  // namespace varnic
