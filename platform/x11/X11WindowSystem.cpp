#include "platform/x11/X11WindowSystem.h"

#include <unistd.h>
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <thread>

#include "platform/x11/ProcessInfo.h"
#include "platform/x11/PropertyParsing.h"
#include "platform/x11/X11WindowReader.h"
#include "support/Log.h"

namespace varnic {
namespace {

// Reads made without a messaging timeout still end: a few seconds is longer
// than any healthy X server takes, and short enough not to freeze the panel.
constexpr double defaultTimeoutSeconds = 3.0;
// The X protocol carries window sizes as 16-bit quantities.
constexpr double maxProtocolSize = 32767;
constexpr std::uint32_t maxSupportedAtoms = 4096;
// How long a maximized window may take to be restored before it is resized.
constexpr double maxUnmaximizeSeconds = 0.5;
constexpr std::uint32_t maxClients = 1u << 20;
// A window manager's name is a word or two; longer is not a name.
constexpr std::uint32_t maxNameWords = 64;
// EWMH source indication for a pager or other tool acting for the user.
constexpr std::uint32_t sourceTool = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;
constexpr std::uint32_t gravityNorthWest = XCB_GRAVITY_NORTH_WEST;

// Window levels as the macOS window list numbers them, so the layer field
// means the same on both: normal 0, floating 3, dock 20, status 25, pop-up 101.
constexpr std::int64_t floatingLayer = 3;
constexpr std::int64_t dockLayer = 20;
constexpr std::int64_t statusLayer = 25;
constexpr std::int64_t popUpLayer = 101;

const X11Element* asX11(const ElementRef& element) {
    return dynamic_cast<const X11Element*>(&element);
}

bool contains(const std::vector<std::uint32_t>& atoms, xcb_atom_t atom) {
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

std::uint32_t clientSide(double outer, std::uint32_t frame, std::uint32_t shadow) {
    const auto client = std::llround(outer) - static_cast<long long>(frame) + shadow;
    return static_cast<std::uint32_t>(std::clamp<long long>(client, 1, 32767));
}

std::string formatSeconds(double seconds) {
    std::ostringstream text;
    text.precision(1);
    text << std::fixed << seconds;
    return text.str();
}

}  // namespace

bool X11WindowSystem::AppWindows::ownsActive() const {
    return std::any_of(windows.begin(), windows.end(),
                       [&](const WindowFacts& facts) { return facts.window == active; });
}

X11WindowSystem::X11WindowSystem(const char* displayName)
    : ownExecutable_(ProcessInfo::ownExecutablePath()) {
    if (displayName) displayName_ = displayName;
    connect();
}

X11WindowSystem::~X11WindowSystem() = default;

bool X11WindowSystem::connect() {
    connection_ = XcbConnection::open(displayName_ ? displayName_->c_str() : nullptr,
                                      deadlineAfter(defaultTimeoutSeconds));
    lastActivePid_.reset();
    if (!connection_) {
        if (!reportedUnreachable_) Log::write("X11: cannot open the X display");
        reportedUnreachable_ = true;
        return false;
    }
    reportedUnreachable_ = false;
    // Activation notifications come from changes of the root's _NET_ACTIVE_WINDOW.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_->get(), connection_->root(), XCB_CW_EVENT_MASK, &mask);
    connection_->flush();
    return true;
}

XcbConnection* X11WindowSystem::connection() {
    if (connection_ && connection_->broken()) {
        Log::write("X11: lost the connection to the X server");
        connection_.reset();
        reportedUnreachable_ = true;
    }
    return connection_.get();
}

int X11WindowSystem::connectionFd() const {
    return connection_ && !connection_->broken() ? connection_->fd() : -1;
}

std::uint64_t X11WindowSystem::roundTrips() const {
    return connection_ ? connection_->roundTrips() : 0;
}

void X11WindowSystem::flush() {
    if (auto* c = connection()) c->flush();
}

AXError X11WindowSystem::timedOut(std::optional<float> seconds) {
    if (!connection()) return ax::cannotComplete;
    Log::write("X11: no answer from the X server within " +
               formatSeconds(seconds.value_or(defaultTimeoutSeconds)) + " s");
    return ax::cannotComplete;
}

Deadline X11WindowSystem::deadlineFor(const X11Element& element) const {
    return deadlineAfter(element.timeout().value_or(defaultTimeoutSeconds));
}

// Trust: an EWMH window manager proves itself with a child window whose own
// _NET_SUPPORTING_WM_CHECK points at itself; a stale property left by a
// window manager that quit fails that test.
bool X11WindowSystem::windowManagerRunning(XcbConnection& c) {
    const auto deadline = deadlineAfter(defaultTimeoutSeconds);
    const auto& atoms = c.atoms();
    auto rootProperty = [&](Atom atom, std::uint32_t items) {
        return xcb_get_property(c.get(), 0, c.root(), atoms[atom], XCB_ATOM_ANY, 0, items);
    };
    const auto checkCookie = rootProperty(Atom::netSupportingWmCheck, 1);
    const auto supportedCookie = rootProperty(Atom::netSupported, maxSupportedAtoms);
    const auto check = c.await<xcb_get_property_reply_t>(checkCookie.sequence, deadline);
    const auto supported = c.await<xcb_get_property_reply_t>(supportedCookie.sequence, deadline);
    const auto checkWindow =
        property::items32(property::fromReply(check.reply.get()), XCB_ATOM_WINDOW);
    if (checkWindow.size() != 1) return false;

    const auto childCookie = xcb_get_property(
        c.get(), 0, checkWindow[0], atoms[Atom::netSupportingWmCheck], XCB_ATOM_WINDOW, 0, 1);
    const auto child = c.await<xcb_get_property_reply_t>(childCookie.sequence, deadline);
    const auto childWindow =
        property::items32(property::fromReply(child.reply.get()), XCB_ATOM_WINDOW);
    if (childWindow.size() != 1 || childWindow[0] != checkWindow[0]) return false;

    const auto list = property::items32(property::fromReply(supported.reply.get()), XCB_ATOM_ATOM);
    return contains(list, atoms[Atom::netActiveWindow]) &&
           contains(list, atoms[Atom::netClientListStacking]);
}

std::optional<std::string> X11WindowSystem::windowManagerName() {
    auto* c = connection();
    if (!c) return std::nullopt;
    const auto deadline = deadlineAfter(defaultTimeoutSeconds);
    const auto checkCookie = xcb_get_property(
        c->get(), 0, c->root(), c->atom(Atom::netSupportingWmCheck), XCB_ATOM_WINDOW, 0, 1);
    const auto check = c->await<xcb_get_property_reply_t>(checkCookie.sequence, deadline);
    const auto checkWindow =
        property::items32(property::fromReply(check.reply.get()), XCB_ATOM_WINDOW);
    if (checkWindow.size() != 1) return std::nullopt;
    const auto nameCookie = xcb_get_property(c->get(), 0, checkWindow[0], c->atom(Atom::netWmName),
                                             XCB_ATOM_ANY, 0, maxNameWords);
    const auto name = c->await<xcb_get_property_reply_t>(nameCookie.sequence, deadline);
    return property::text(property::fromReply(name.reply.get()), c->atom(Atom::utf8String));
}

bool X11WindowSystem::isProcessTrusted() {
    if (!connection() && !connect()) return false;
    return windowManagerRunning(*connection_);
}

Element X11WindowSystem::createSystemWide() {
    return X11Element::systemWide();
}

Element X11WindowSystem::createApplication(Pid pid) {
    return X11Element::application(pid, XCB_WINDOW_NONE, std::nullopt);
}

AXError X11WindowSystem::setMessagingTimeout(const ElementRef& element, float seconds) {
    const auto* x11 = asX11(element);
    if (!x11 || !std::isfinite(seconds) || seconds < 0) return ax::illegalArgument;
    // As on macOS, zero restores the default.
    if (seconds == 0) {
        x11->setTimeout(static_cast<float>(defaultTimeoutSeconds));
    } else {
        x11->setTimeout(seconds);
    }
    return ax::success;
}

std::optional<X11WindowSystem::Clients> X11WindowSystem::readClients(Deadline deadline) {
    auto* c = connection();
    if (!c) return std::nullopt;
    const auto stackingCookie =
        xcb_get_property(c->get(), 0, c->root(), c->atom(Atom::netClientListStacking),
                         XCB_ATOM_WINDOW, 0, maxClients);
    const auto activeCookie = xcb_get_property(
        c->get(), 0, c->root(), c->atom(Atom::netActiveWindow), XCB_ATOM_WINDOW, 0, 1);
    const auto stacking = c->await<xcb_get_property_reply_t>(stackingCookie.sequence, deadline);
    const auto active = c->await<xcb_get_property_reply_t>(activeCookie.sequence, deadline);
    if (!stacking.ok() || !active.ok()) return std::nullopt;
    Clients clients;
    // EWMH lists _NET_CLIENT_LIST_STACKING bottom to top.
    auto list = property::items32(property::fromReply(stacking.reply.get()), XCB_ATOM_WINDOW);
    clients.topmostFirst.assign(list.rbegin(), list.rend());
    const auto activeItems =
        property::items32(property::fromReply(active.reply.get()), XCB_ATOM_WINDOW);
    if (activeItems.size() == 1) clients.active = activeItems[0];
    return clients;
}

std::optional<WindowFacts> X11WindowSystem::readWindow(xcb_window_t window, unsigned facts,
                                                       Deadline deadline) {
    auto* c = connection();
    if (!c) return std::nullopt;
    auto read = X11WindowReader(*c).read(std::span(&window, 1), facts, deadline);
    if (!read) return std::nullopt;
    return std::move(read->front());
}

std::optional<X11WindowSystem::AppWindows> X11WindowSystem::applicationWindows(
    std::optional<Pid> pid, xcb_window_t anchor, unsigned facts, Deadline deadline) {
    auto clients = readClients(deadline);
    if (!clients) return std::nullopt;
    X11WindowReader reader(*connection_);
    auto identities = reader.read(clients->topmostFirst, X11WindowReader::pid, deadline);
    if (!identities) return std::nullopt;
    std::vector<xcb_window_t> mine;
    for (const auto& window : *identities) {
        const bool owned = pid ? window.pid == pid : window.window == anchor;
        if (window.exists && owned) mine.push_back(window.window);
    }
    auto details = reader.read(mine, facts | X11WindowReader::pid, deadline);
    if (!details) return std::nullopt;
    std::erase_if(*details, [](const WindowFacts& window) { return !window.exists; });
    return AppWindows{std::move(*details), clients->active};
}

AttributeResult X11WindowSystem::readSystemWide(std::string_view attribute) {
    if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
    const auto deadline = deadlineAfter(defaultTimeoutSeconds);
    if (!connection()) return {ax::cannotComplete, {}};
    const auto clients = readClients(deadline);
    if (!clients) return {timedOut(std::nullopt), {}};
    if (clients->active == XCB_WINDOW_NONE) return {ax::noValue, {}};
    const auto active = readWindow(clients->active, X11WindowReader::pid, deadline);
    if (!active) return {timedOut(std::nullopt), {}};
    if (!active->exists) return {ax::noValue, {}};
    return {ax::success, X11Element::application(active->pid, active->window, std::nullopt)};
}

AttributeResult X11WindowSystem::readApplication(const X11Element& application,
                                                 std::string_view attribute) {
    const bool known = attribute == attr::focusedWindow || attribute == attr::mainWindow ||
                       attribute == attr::windows || attribute == attr::focusedUIElement;
    if (!known) return {ax::attributeUnsupported, {}};
    if (application.pid() && !ProcessInfo::exists(*application.pid())) {
        return {ax::invalidUIElement, {}};
    }
    if (!connection()) return {ax::cannotComplete, {}};
    const unsigned facts = attribute == attr::mainWindow ? X11WindowReader::kind : 0u;
    const auto found = applicationWindows(application.pid(), application.window(), facts,
                                          deadlineFor(application));
    if (!found) return {timedOut(application.timeout()), {}};
    const auto timeout = application.timeout();
    auto element = [&](xcb_window_t window) {
        return AttributeResult{ax::success, X11Element::window(window, timeout)};
    };

    if (attribute == attr::focusedWindow) {
        if (found->ownsActive()) return element(found->active);
        if (found->windows.empty()) return {ax::noValue, {}};
        return element(found->windows.front().window);
    }
    if (attribute == attr::focusedUIElement) {
        if (!found->ownsActive()) return {ax::noValue, {}};
        return element(found->active);
    }
    if (attribute == attr::mainWindow) {
        const auto normal = connection_->atom(Atom::netWmWindowTypeNormal);
        for (const auto& window : found->windows) {
            if (window.types.empty() || window.types.front() == normal)
                return element(window.window);
        }
        return {ax::noValue, {}};
    }
    ElementList list;
    for (const auto& window : found->windows)
        list.push_back(X11Element::window(window.window, timeout));
    return {ax::success, std::move(list)};
}

AttributeResult X11WindowSystem::readWindowAttribute(const X11Element& window,
                                                     std::string_view attribute) {
    if (attribute != attr::title) return {ax::attributeUnsupported, {}};
    if (!connection()) return {ax::cannotComplete, {}};
    const auto facts = readWindow(window.window(), X11WindowReader::title, deadlineFor(window));
    if (!facts) return {timedOut(window.timeout()), {}};
    if (!facts->exists) return {ax::invalidUIElement, {}};
    // An untitled window has the empty title, as on macOS.
    return {ax::success, facts->title.value_or("")};
}

AttributeResult X11WindowSystem::copyAttributeValue(const ElementRef& element,
                                                    std::string_view attribute) {
    const auto* x11 = asX11(element);
    if (!x11) return {ax::illegalArgument, {}};
    switch (x11->kind()) {
        case X11Element::Kind::systemWide:
            return readSystemWide(attribute);
        case X11Element::Kind::application:
            return readApplication(*x11, attribute);
        case X11Element::Kind::window:
            return readWindowAttribute(*x11, attribute);
    }
    return {ax::failure, {}};
}

AXError X11WindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto* x11 = asX11(element);
    if (!x11 || x11->kind() == X11Element::Kind::systemWide) return ax::illegalArgument;
    if (x11->kind() == X11Element::Kind::application) {
        if (!x11->pid()) return ax::failure;
        pid = *x11->pid();
        return ax::success;
    }
    if (!connection()) return ax::cannotComplete;
    const auto facts = readWindow(x11->window(), X11WindowReader::pid, deadlineFor(*x11));
    if (!facts) return timedOut(x11->timeout());
    if (!facts->exists) return ax::invalidUIElement;
    if (!facts->pid) return ax::failure;
    pid = *facts->pid;
    return ax::success;
}

std::optional<SizeValue> X11WindowSystem::createSizeValue(double width, double height) {
    auto representable = [](double side) {
        return std::isfinite(side) && side > 0 && side <= maxProtocolSize;
    };
    if (!representable(width) || !representable(height)) return std::nullopt;
    return SizeValue{{width, height}};
}

bool X11WindowSystem::supportsMoveResize(const xcb_get_property_reply_t* supported) const {
    const auto list = property::items32(property::fromReply(supported), XCB_ATOM_ATOM);
    return contains(list, connection_->atom(Atom::netMoveresizeWindow));
}

void X11WindowSystem::sendToWindowManager(xcb_window_t window, Atom type,
                                          std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = connection_->atom(type);
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection_->get(), 0, connection_->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

// The size is the outer frame, as on macOS: the window manager's decorations
// are taken off, a client-side shadow margin is added. A maximized window is
// first taken out of its maximized state, since window managers keep a
// maximized window at the size of the screen. Size hints (minimum, maximum,
// increments) are the window manager's to apply, as ICCCM says.
SizeWriteResult X11WindowSystem::setAttributeValue(const ElementRef& element,
                                                   std::string_view attribute,
                                                   const SizeValue& value) {
    return {writeSize(element, attribute, value), std::nullopt};
}

AXError X11WindowSystem::writeSize(const ElementRef& element, std::string_view attribute,
                                   const SizeValue& value) {
    const auto* x11 = asX11(element);
    if (attribute != attr::size) return ax::attributeUnsupported;
    if (!x11 || x11->kind() != X11Element::Kind::window) return ax::illegalArgument;
    auto* c = connection();
    if (!c) return ax::cannotComplete;
    const auto deadline = deadlineFor(*x11);
    const auto supportedCookie = xcb_get_property(
        c->get(), 0, c->root(), c->atom(Atom::netSupported), XCB_ATOM_ATOM, 0, maxSupportedAtoms);
    const auto facts =
        readWindow(x11->window(), X11WindowReader::geometry | X11WindowReader::kind, deadline);
    const auto supported = c->await<xcb_get_property_reply_t>(supportedCookie.sequence, deadline);
    if (!facts || !supported.ok()) return timedOut(x11->timeout());
    if (!facts->exists) return ax::invalidUIElement;

    auto target = *facts;
    if (maximized(target)) {
        auto restored = unmaximize(target.window, deadline);
        if (!restored) return timedOut(x11->timeout());
        if (!restored->exists) return ax::invalidUIElement;
        target = std::move(*restored);
    }
    const auto& frame = target.frame;
    const auto& shadow = target.clientSideShadow;
    const auto width =
        clientSide(value.size.width, frame.left + frame.right, shadow.left + shadow.right);
    const auto height =
        clientSide(value.size.height, frame.top + frame.bottom, shadow.top + shadow.bottom);
    if (supportsMoveResize(supported.reply.get())) {
        const std::uint32_t flags = gravityNorthWest | XCB_EWMH_MOVERESIZE_WINDOW_WIDTH |
                                    XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT | (sourceTool << 12);
        sendToWindowManager(x11->window(), Atom::netMoveresizeWindow, {flags, 0, 0, width, height});
    } else {
        const std::uint32_t size[] = {width, height};
        xcb_configure_window(c->get(), x11->window(),
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    }
    c->flush();
    return ax::success;
}

bool X11WindowSystem::maximized(const WindowFacts& facts) const {
    return facts.hasState(connection_->atom(Atom::netWmStateMaximizedVert)) ||
           facts.hasState(connection_->atom(Atom::netWmStateMaximizedHorz));
}

// Asks the window manager to end the maximized state and waits until it has:
// the decorations of a maximized window differ (openbox drops its borders),
// so the frame extents are only right once it is restored.
std::optional<WindowFacts> X11WindowSystem::unmaximize(xcb_window_t window, Deadline deadline) {
    sendToWindowManager(window, Atom::netWmState,
                        {XCB_EWMH_WM_STATE_REMOVE, connection_->atom(Atom::netWmStateMaximizedVert),
                         connection_->atom(Atom::netWmStateMaximizedHorz), sourceTool, 0});
    const auto settle = std::min(deadline, deadlineAfter(maxUnmaximizeSeconds));
    for (;;) {
        auto facts =
            readWindow(window, X11WindowReader::geometry | X11WindowReader::kind, deadline);
        if (!facts || !facts->exists || !maximized(*facts)) return facts;
        // A window manager that keeps it maximized gets the request anyway.
        if (std::chrono::steady_clock::now() >= settle) return facts;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::int64_t X11WindowSystem::layer(const WindowFacts& facts) const {
    const auto& atoms = connection_->atoms();
    if (facts.hasType(atoms[Atom::netWmWindowTypeTooltip]) ||
        facts.hasType(atoms[Atom::netWmWindowTypePopupMenu]) ||
        facts.hasType(atoms[Atom::netWmWindowTypeDropdownMenu])) {
        return popUpLayer;
    }
    if (facts.hasType(atoms[Atom::netWmWindowTypeNotification])) return statusLayer;
    if (facts.hasType(atoms[Atom::netWmWindowTypeDock])) return dockLayer;
    if (facts.hasState(atoms[Atom::netWmStateAbove])) return floatingLayer;
    return 0;
}

std::optional<WindowListEntry> X11WindowSystem::listEntry(const WindowFacts& facts) {
    if (!facts.exists || !facts.viewable) return std::nullopt;
    if (facts.hasType(connection_->atom(Atom::netWmWindowTypeDesktop))) return std::nullopt;
    WindowListEntry entry;
    entry.ownerPID = facts.pid;
    entry.windowName = facts.title;
    entry.ownerName = facts.wmClass;
    if (!entry.ownerName && facts.pid) entry.ownerName = ProcessInfo::commandName(*facts.pid);
    entry.windowNumber = facts.window;
    entry.windowLayer = layer(facts);
    const auto& frame = facts.frame;
    const auto& shadow = facts.clientSideShadow;
    const double x = double(facts.x) - frame.left + shadow.left;
    const double y = double(facts.y) - frame.top + shadow.top;
    const double width =
        double(facts.width) + frame.left + frame.right - shadow.left - shadow.right;
    const double height =
        double(facts.height) + frame.top + frame.bottom - shadow.top - shadow.bottom;
    entry.bounds =
        std::map<std::string, double>{{"X", x}, {"Y", y}, {"Width", width}, {"Height", height}};
    return entry;
}

std::optional<std::vector<WindowListEntry>> X11WindowSystem::copyWindowList() {
    const auto deadline = deadlineAfter(defaultTimeoutSeconds);
    const auto clients = readClients(deadline);
    if (!clients) {
        if (connection()) timedOut(std::nullopt);
        return std::nullopt;
    }
    const unsigned facts = X11WindowReader::pid | X11WindowReader::title |
                           X11WindowReader::wmClass | X11WindowReader::kind |
                           X11WindowReader::geometry;
    const auto windows = X11WindowReader(*connection_).read(clients->topmostFirst, facts, deadline);
    if (!windows) {
        timedOut(std::nullopt);
        return std::nullopt;
    }
    std::vector<WindowListEntry> entries;
    for (const auto& window : *windows) {
        if (auto entry = listEntry(window)) entries.push_back(std::move(*entry));
    }
    return entries;
}

RunningApplication X11WindowSystem::describeApplication(Pid pid,
                                                        const std::optional<AppWindows>& found) {
    RunningApplication application;
    application.processIdentifier = pid;
    application.bundleIdentifier = ProcessInfo::executablePath(pid);
    application.activationPolicy = ActivationPolicy::accessory;
    if (found) {
        const auto& atoms = connection_->atoms();
        auto inTaskbar = [&](const WindowFacts& window) {
            return !window.hasState(atoms[Atom::netWmStateSkipTaskbar]) &&
                   !window.hasType(atoms[Atom::netWmWindowTypeDock]) &&
                   !window.hasType(atoms[Atom::netWmWindowTypeDesktop]);
        };
        const auto& windows = found->windows;
        for (const auto& window : windows) {
            if (!application.localizedName) application.localizedName = window.wmClass;
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
    if (!application.localizedName) application.localizedName = ProcessInfo::commandName(pid);
    return application;
}

std::optional<RunningApplication> X11WindowSystem::runningApplication(Pid pid) {
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    std::optional<AppWindows> windows;
    if (connection()) {
        const unsigned facts =
            X11WindowReader::wmClass | X11WindowReader::kind | X11WindowReader::icon;
        windows =
            applicationWindows(pid, XCB_WINDOW_NONE, facts, deadlineAfter(defaultTimeoutSeconds));
        if (!windows) timedOut(std::nullopt);
    }
    return describeApplication(pid, windows);
}

std::optional<RunningApplication> X11WindowSystem::frontmostApplication() {
    const auto deadline = deadlineAfter(defaultTimeoutSeconds);
    const auto clients = readClients(deadline);
    if (!clients || clients->active == XCB_WINDOW_NONE) return std::nullopt;
    const auto active = readWindow(clients->active, X11WindowReader::pid, deadline);
    if (!active || !active->pid) return std::nullopt;
    return runningApplication(*active->pid);
}

Pid X11WindowSystem::ownPid() {
    return static_cast<Pid>(::getpid());
}

PermissionGuide X11WindowSystem::permissionGuide() const {
    return {"Window Manager Required",
            "Varnic needs a window manager that follows the EWMH standard to control other "
            "windows on this desktop.",
            {"Click the button below to open Varnic's help page.",
             "Start a window manager such as openbox, xfwm4 or KWin.",
             "The app will automatically detect the change."},
            "Open Help Page"};
}

Subscription X11WindowSystem::subscribeActivations(ActivationHandler handler) {
    const auto id = nextHandler_++;
    activationHandlers_->emplace(id, std::move(handler));
    return Subscription([weak = std::weak_ptr(activationHandlers_), id] {
        if (auto handlers = weak.lock()) handlers->erase(id);
    });
}

void X11WindowSystem::processEvents() {
    auto* c = connection();
    if (!c) return;
    bool activeChanged = false;
    while (auto event = c->pollEvent()) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window == c->root() && notify->atom == c->atom(Atom::netActiveWindow)) {
            activeChanged = true;
        }
    }
    // Several changes in one drain are one activation: only the last counts.
    if (activeChanged) handleActiveWindowChange();
}

void X11WindowSystem::handleActiveWindowChange() {
    const auto deadline = deadlineAfter(defaultTimeoutSeconds);
    const auto clients = readClients(deadline);
    if (!clients || clients->active == XCB_WINDOW_NONE) return;
    const auto active = readWindow(clients->active, X11WindowReader::pid, deadline);
    if (!active || !active->pid || active->pid == lastActivePid_) return;
    lastActivePid_ = active->pid;
    auto application = runningApplication(*active->pid);
    if (!application) return;
    const ActivationNotification notification{std::move(application)};
    // A handler may subscribe or unsubscribe while it runs.
    const auto handlers = *activationHandlers_;
    for (const auto& [id, handler] : handlers) handler(notification);
}

}  // namespace varnic
