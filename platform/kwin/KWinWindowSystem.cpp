#include "platform/kwin/KWinWindowSystem.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/kwin/KWinReceiver.h"
#include "platform/proc/ProcessInfo.h"
#include "support/Log.h"

// The scripts are resources of a static library: registered by hand.
static void registerScripts() {
    Q_INIT_RESOURCE(kwin);
}

namespace varnic {
namespace {

// Calls made without a messaging timeout still end: KWin answers scripting
// calls in milliseconds, and a few seconds do not freeze the panel for long.
constexpr double defaultTimeoutSeconds = 3.0;
// KWin keeps geometry in ints (Plasma 5) and in logical pixels of that range.
constexpr double maxSide = 32767;
// How long a loaded script that has not reported in is waited for before it
// is loaded again.
constexpr std::chrono::seconds reloadInterval{5};
// Below this, KWin gives "no maximum" as INT_MAX.
constexpr double noLimit = 1 << 24;

// Window levels as the macOS window list numbers them: normal 0, floating 3,
// dock 20, status 25, pop-up 101.
constexpr std::int64_t floatingLayer = 3;
constexpr std::int64_t dockLayer = 20;
constexpr std::int64_t statusLayer = 25;
constexpr std::int64_t popUpLayer = 101;

const KWinElement* asKWin(const ElementRef& element) {
    return dynamic_cast<const KWinElement*>(&element);
}

KWinMirror::Deadline deadlineFor(std::optional<float> timeout) {
    const auto seconds = timeout.value_or(static_cast<float>(defaultTimeoutSeconds));
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

bool sameSize(const KWinRect& frame, Size size) {
    return std::abs(frame.width - size.width) < 0.5 && std::abs(frame.height - size.height) < 0.5;
}

// A window of an application's own: not the desktop, a panel or a pop-up.
bool applicationWindow(const KWinWindowRecord& window) {
    return !window.desktop && !window.dock && !window.popup && !window.notification;
}

std::string formatSeconds(double seconds) {
    std::ostringstream text;
    text.precision(1);
    text << std::fixed << seconds;
    return text.str();
}

std::string sizeText(const KWinRect& frame) {
    return std::to_string(std::lround(frame.width)) + "x" +
           std::to_string(std::lround(frame.height));
}

std::string resource(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// The outer size the window's own limits let it take for the size asked,
// with the reason when that is not the size asked.
std::optional<SizeWriteResult::Nearest> nearestAllowed(const KWinWindowRecord& window, Size size) {
    // The limits are the client's; decorations add the same on every size.
    const double borderWidth = window.client ? window.frame.width - window.client->width : 0;
    const double borderHeight = window.client ? window.frame.height - window.client->height : 0;
    Size nearest = size;
    std::string reason;
    if (window.minSize) {
        const double minWidth = window.minSize->width + borderWidth;
        const double minHeight = window.minSize->height + borderHeight;
        if (nearest.width < minWidth || nearest.height < minHeight) reason = "its minimum size";
        nearest = {std::max(nearest.width, minWidth), std::max(nearest.height, minHeight)};
    }
    if (window.maxSize) {
        const double maxWidth =
            window.maxSize->width < noLimit ? window.maxSize->width + borderWidth : noLimit;
        const double maxHeight =
            window.maxSize->height < noLimit ? window.maxSize->height + borderHeight : noLimit;
        if (nearest.width > maxWidth || nearest.height > maxHeight) reason = "its maximum size";
        nearest = {std::min(nearest.width, maxWidth), std::min(nearest.height, maxHeight)};
    }
    if (reason.empty()) return std::nullopt;
    return SizeWriteResult::Nearest{nearest, reason};
}

}  // namespace

KWinWindowSystem::KWinWindowSystem()
    : connectionName_(QStringLiteral("varnic-kwin-%1").arg(reinterpret_cast<quintptr>(this))),
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)),
      scripting_(bus_, static_cast<int>(defaultTimeoutSeconds * 1000)),
      ownExecutable_(ProcessInfo::ownExecutablePath()),
      receiver_(new KWinReceiver(mirror_, [this] {
          QMetaObject::invokeMethod(
              &mainThread_, [this] { deliverActivation(); }, Qt::QueuedConnection);
      })) {
    registerScripts();
    receiver_->moveToThread(&reportThread_);
    reportThread_.start();
    bus_.registerObject(QString::fromLatin1(KWinReceiver::path), receiver_,
                        QDBusConnection::ExportAllSlots);
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                 {QString::fromLatin1(KWinScripting::service)}, QString(), receiver_,
                 SLOT(kwinOwnerChanged(QString, QString, QString)));
    // Loads the resident script now, so that the mirror is filled before the first read.
    isProcessTrusted();
}

KWinWindowSystem::~KWinWindowSystem() {
    if (!mirror_.kwinOwner().empty()) {
        scripting_.unload(QString::fromLatin1(resizeScriptName));
        scripting_.unload(QString::fromLatin1(residentScriptName));
    }
    bus_.unregisterObject(QString::fromLatin1(KWinReceiver::path));
    receiver_->deleteLater();
    reportThread_.quit();
    reportThread_.wait();
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool KWinWindowSystem::kwinOnBus(QDBusConnection bus) {
    constexpr int probeMillis = 500;
    return KWinScripting(std::move(bus), probeMillis).owner().has_value();
}

void KWinWindowSystem::unreachable(const std::string& why) {
    if (!reportedUnreachable_) Log::write("KWin: " + why);
    reportedUnreachable_ = true;
}

std::string KWinWindowSystem::replyAddress() const {
    const nlohmann::json address = {{"service", bus_.baseService().toStdString()},
                                    {"path", KWinReceiver::path},
                                    {"iface", KWinReceiver::interface}};
    return "const varnic = " + address.dump() + ";\n";
}

std::optional<QString> KWinWindowSystem::writeScript(const QString& name, const std::string& text) {
    if (!files_.isValid()) return std::nullopt;
    const auto path = files_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return std::nullopt;
    const auto bytes = QByteArray::fromStdString(text);
    if (file.write(bytes) != bytes.size()) return std::nullopt;
    return path;
}

// Loads the resident script afresh: a copy left by a Varnic that crashed is
// unloaded first, under the fixed name.
bool KWinWindowSystem::loadResidentScript() {
    const auto deadline = deadlineFor(std::nullopt);
    const auto owner = scripting_.owner();
    if (!owner) {
        unreachable("org.kde.KWin is not on the session bus");
        return false;
    }
    mirror_.reset(owner->toStdString());
    const auto path =
        writeScript(QStringLiteral("varnic.js"), replyAddress() + resource(":/kwin/varnic.js"));
    if (!path) {
        unreachable("cannot write Varnic's script to " + files_.path().toStdString());
        return false;
    }
    const auto name = QString::fromLatin1(residentScriptName);
    scripting_.unload(name);
    scripting_.unload(QString::fromLatin1(resizeScriptName));
    const auto id = scripting_.load(*path, name);
    if (!id || !scripting_.run(*id)) {
        unreachable("KWin did not load and run Varnic's script");
        return false;
    }
    if (!mirror_.waitUntil(deadline, [](const KWinMirror::State& state) { return state.ready; })) {
        unreachable("Varnic's script did not report in within " +
                    formatSeconds(defaultTimeoutSeconds) + " s");
        return false;
    }
    reportedUnreachable_ = false;
    return true;
}

bool KWinWindowSystem::awaitWindows(
    const std::function<bool(const std::vector<KWinWindowRecord>&)>& done, double seconds) const {
    return mirror_.waitUntil(deadlineFor(static_cast<float>(seconds)), [&](const auto& state) {
        return done(KWinMirror::frontFirst(state));
    });
}

// Only the trust check loads the script again (after KWin restarted): a
// read never waits on a KWin that does not answer. A script that was loaded
// but has not reported in yet is given time before it is loaded again, so a
// slow KWin does not cost the caller a wait at every check.
bool KWinWindowSystem::isProcessTrusted() {
    if (mirror_.ready()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (lastLoad_ && now - *lastLoad_ < reloadInterval && !mirror_.kwinOwner().empty()) {
        return false;
    }
    lastLoad_ = now;
    return loadResidentScript();
}

Element KWinWindowSystem::createSystemWide() {
    return KWinElement::systemWide();
}

Element KWinWindowSystem::createApplication(Pid pid) {
    return KWinElement::application(pid, {}, std::nullopt);
}

AXError KWinWindowSystem::setMessagingTimeout(const ElementRef& element, float seconds) {
    const auto* kwin = asKWin(element);
    if (!kwin || !std::isfinite(seconds) || seconds < 0) return ax::illegalArgument;
    // As on macOS, zero restores the default.
    kwin->setTimeout(seconds == 0 ? static_cast<float>(defaultTimeoutSeconds) : seconds);
    return ax::success;
}

std::vector<KWinWindowRecord> KWinWindowSystem::applicationWindows(
    Pid pid, const std::string& anchor) const {
    return mirror_.windows([&](const KWinWindowRecord& window) {
        const bool owned = pid > 0 ? window.pid == pid : window.id == anchor;
        return owned && applicationWindow(window);
    });
}

AttributeResult KWinWindowSystem::readSystemWide(std::string_view attribute) {
    if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
    if (!mirror_.ready()) return {ax::cannotComplete, {}};
    const auto active = mirror_.activeWindow();
    if (!active) return {ax::noValue, {}};
    return {ax::success, KWinElement::application(active->pid, active->id, std::nullopt)};
}

AttributeResult KWinWindowSystem::readApplication(const KWinElement& application,
                                                  std::string_view attribute) {
    const bool known = attribute == attr::focusedWindow || attribute == attr::mainWindow ||
                       attribute == attr::windows || attribute == attr::focusedUIElement;
    if (!known) return {ax::attributeUnsupported, {}};
    if (application.pid() > 0 && !ProcessInfo::exists(application.pid())) {
        return {ax::invalidUIElement, {}};
    }
    if (!mirror_.ready()) return {ax::cannotComplete, {}};
    const auto windows = applicationWindows(application.pid(), application.window());
    const auto active = mirror_.activeWindow();
    const bool ownsActive =
        active && std::any_of(windows.begin(), windows.end(),
                              [&](const KWinWindowRecord& w) { return w.id == active->id; });
    const auto timeout = application.timeout();
    auto element = [&](const std::string& id) {
        return AttributeResult{ax::success, KWinElement::window(id, timeout)};
    };

    if (attribute == attr::focusedWindow) {
        if (ownsActive) return element(active->id);
        if (windows.empty()) return {ax::noValue, {}};
        return element(windows.front().id);
    }
    if (attribute == attr::focusedUIElement) {
        if (!ownsActive) return {ax::noValue, {}};
        return element(active->id);
    }
    if (attribute == attr::mainWindow) {
        for (const auto& window : windows) {
            if (window.normal) return element(window.id);
        }
        return {ax::noValue, {}};
    }
    ElementList list;
    for (const auto& window : windows) list.push_back(KWinElement::window(window.id, timeout));
    return {ax::success, std::move(list)};
}

AttributeResult KWinWindowSystem::readWindow(const KWinElement& window,
                                             std::string_view attribute) {
    if (attribute != attr::title) return {ax::attributeUnsupported, {}};
    if (!mirror_.ready()) return {ax::cannotComplete, {}};
    const auto record = mirror_.window(window.window());
    if (!record) return {ax::invalidUIElement, {}};
    return {ax::success, record->caption};
}

AttributeResult KWinWindowSystem::copyAttributeValue(const ElementRef& element,
                                                     std::string_view attribute) {
    const auto* kwin = asKWin(element);
    if (!kwin) return {ax::illegalArgument, {}};
    switch (kwin->kind()) {
        case KWinElement::Kind::systemWide:
            return readSystemWide(attribute);
        case KWinElement::Kind::application:
            return readApplication(*kwin, attribute);
        case KWinElement::Kind::window:
            return readWindow(*kwin, attribute);
    }
    return {ax::failure, {}};
}

AXError KWinWindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto* kwin = asKWin(element);
    if (!kwin || kwin->kind() == KWinElement::Kind::systemWide) return ax::illegalArgument;
    if (kwin->kind() == KWinElement::Kind::application) {
        if (kwin->pid() <= 0) return ax::failure;
        pid = kwin->pid();
        return ax::success;
    }
    const auto record = mirror_.window(kwin->window());
    if (!record) return ax::invalidUIElement;
    if (record->pid <= 0) return ax::failure;
    pid = record->pid;
    return ax::success;
}

std::optional<SizeValue> KWinWindowSystem::createSizeValue(double width, double height) {
    auto representable = [](double side) {
        return std::isfinite(side) && side >= 1 && side <= maxSide;
    };
    if (!representable(width) || !representable(height)) return std::nullopt;
    return SizeValue{{std::round(width), std::round(height)}};
}

SizeWriteResult KWinWindowSystem::setAttributeValue(const ElementRef& element,
                                                    std::string_view attribute,
                                                    const SizeValue& value) {
    const auto* kwin = asKWin(element);
    if (attribute != attr::size) return {ax::attributeUnsupported, std::nullopt};
    if (!kwin || kwin->kind() != KWinElement::Kind::window) {
        return {ax::illegalArgument, std::nullopt};
    }
    return writeSize(*kwin, value.size);
}

// KWin scripts take no calls, so each request is a script of its own that
// sets the frame and answers; the size the window then takes comes from the
// resident script.
SizeWriteResult KWinWindowSystem::writeSize(const KWinElement& window, Size size) {
    if (!mirror_.ready()) return {ax::cannotComplete, std::nullopt};
    const auto deadline = deadlineFor(window.timeout());
    const auto record = mirror_.window(window.window());
    if (!record) return {ax::invalidUIElement, std::nullopt};
    if (sameSize(record->frame, size)) return {ax::success, std::nullopt};
    if (!record->resizeable) {
        Log::write("KWin: the window is not resizable");
        return {ax::failure, std::nullopt};
    }

    const auto serial = nextSerial_++;
    const nlohmann::json request = {
        {"serial", serial}, {"id", record->id}, {"width", size.width}, {"height", size.height}};
    const auto path = writeScript(QStringLiteral("resize.js"),
                                  replyAddress() + "const request = " + request.dump() + ";\n" +
                                      resource(":/kwin/varnic-resize.js"));
    if (!path) return {ax::cannotComplete, std::nullopt};
    const auto name = QString::fromLatin1(resizeScriptName);
    const auto id = scripting_.load(*path, name);
    if (!id || !scripting_.run(*id)) {
        scripting_.unload(name);
        Log::write("KWin: the resize script did not run");
        return {ax::cannotComplete, std::nullopt};
    }
    const bool answered = mirror_.waitUntil(deadline, [serial](const KWinMirror::State& state) {
        return state.answers.contains(serial) || state.kwinOwner.empty();
    });
    scripting_.unload(name);
    const auto answer = mirror_.takeAnswer(serial);
    if (!answered || !answer) {
        Log::write("KWin: no answer to the resize within " +
                   formatSeconds(window.timeout().value_or(defaultTimeoutSeconds)) + " s");
        return {ax::cannotComplete, std::nullopt};
    }
    switch (answer->state) {
        case KWinResizeAnswer::State::gone:
            return {ax::invalidUIElement, std::nullopt};
        case KWinResizeAnswer::State::fixed:
            Log::write("KWin: the window is not resizable");
            return {ax::failure, std::nullopt};
        case KWinResizeAnswer::State::asked:
            break;
    }
    return awaitSize(record->id, size, deadline);
}

// On Wayland the frame changes only once the client acknowledged the new
// size, which the resident script then reports.
SizeWriteResult KWinWindowSystem::awaitSize(const std::string& id, Size size,
                                            KWinMirror::Deadline deadline) {
    std::optional<SizeWriteResult::Nearest> nearest;
    auto settled = [&](const KWinMirror::State& state) {
        const auto found = state.windows.find(id);
        if (found == state.windows.end()) return true;
        const auto& window = found->second;
        if (sameSize(window.frame, size)) return true;
        nearest = nearestAllowed(window, size);
        return nearest && sameSize(window.frame, nearest->size);
    };
    mirror_.waitUntil(deadline, settled);
    const auto window = mirror_.window(id);
    if (!window) return {ax::invalidUIElement, std::nullopt};
    if (sameSize(window->frame, size)) return {ax::success, std::nullopt};
    nearest = nearestAllowed(*window, size);
    if (nearest && sameSize(window->frame, nearest->size)) return {ax::success, nearest};
    Log::write("KWin: the window kept the size " + sizeText(window->frame));
    return {ax::failure, std::nullopt};
}

std::optional<std::vector<WindowListEntry>> KWinWindowSystem::copyWindowList() {
    if (!mirror_.ready()) return std::nullopt;
    std::vector<WindowListEntry> entries;
    for (const auto& window : mirror_.windows()) {
        if (window.desktop || window.minimized) continue;
        WindowListEntry entry;
        if (window.pid > 0) entry.ownerPID = window.pid;
        entry.windowName = window.caption;
        if (!window.resourceClass.empty()) {
            entry.ownerName = window.resourceClass;
        } else if (window.pid > 0) {
            entry.ownerName = ProcessInfo::commandName(window.pid);
        }
        entry.windowNumber = window.number;
        entry.windowLayer = window.popup          ? popUpLayer
                            : window.notification ? statusLayer
                            : window.dock         ? dockLayer
                            : window.keepAbove    ? floatingLayer
                                                  : 0;
        entry.bounds = std::map<std::string, double>{{"X", window.frame.x},
                                                     {"Y", window.frame.y},
                                                     {"Width", window.frame.width},
                                                     {"Height", window.frame.height}};
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<RunningApplication> KWinWindowSystem::runningApplication(Pid pid) {
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    RunningApplication application;
    application.processIdentifier = pid;
    application.bundleIdentifier = ProcessInfo::executablePath(pid);
    application.activationPolicy = ActivationPolicy::accessory;
    const auto windows = applicationWindows(pid, {});
    const auto active = mirror_.activeWindow();
    for (const auto& window : windows) {
        if (!application.localizedName && !window.resourceClass.empty()) {
            application.localizedName = window.resourceClass;
        }
        if (!window.skipTaskbar) application.activationPolicy = ActivationPolicy::regular;
    }
    application.isActive = active && active->pid == pid;
    application.isHidden =
        !windows.empty() && std::all_of(windows.begin(), windows.end(),
                                        [](const KWinWindowRecord& w) { return w.minimized; });
    if (!application.localizedName) application.localizedName = ProcessInfo::commandName(pid);
    return application;
}

std::optional<RunningApplication> KWinWindowSystem::frontmostApplication() {
    if (!mirror_.ready()) return std::nullopt;
    const auto active = mirror_.activeWindow();
    if (!active || active->pid <= 0) return std::nullopt;
    return runningApplication(active->pid);
}

Pid KWinWindowSystem::ownPid() {
    return static_cast<Pid>(::getpid());
}

PermissionGuide KWinWindowSystem::permissionGuide() const {
    return {"KWin Scripting Required",
            "On KDE Plasma, Varnic controls other windows through a small script of its own "
            "that KWin loads and runs.",
            {"Click the button below to open Varnic's help page.",
             "Make sure KWin runs and that scripting is not disabled for your account.",
             "The app will automatically detect the change."},
            "Open Help Page"};
}

Subscription KWinWindowSystem::subscribeActivations(ActivationHandler handler) {
    return activationHandlers_.subscribe(std::move(handler));
}

void KWinWindowSystem::deliverActivation() {
    const auto active = mirror_.activeWindow();
    if (!active || active->pid <= 0 || active->pid == lastActivePid_) return;
    lastActivePid_ = active->pid;
    auto application = runningApplication(active->pid);
    if (!application) return;
    const ActivationNotification notification{std::move(application)};
    activationHandlers_.notify(notification);
}

}  // namespace varnic
