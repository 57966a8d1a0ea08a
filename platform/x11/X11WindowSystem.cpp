#include "platform/x11/X11WindowSystem.h"

#include <unistd.h>

#include <cmath>

#include "platform/proc/ProcessInfo.h"
#include "platform/x11/X11Applications.h"
#include "platform/x11/X11AttributeReader.h"
#include "platform/x11/X11Element.h"
#include "platform/x11/X11Resizer.h"
#include "platform/x11/X11Trust.h"
#include "platform/x11/X11WindowList.h"
#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {
namespace {

// The X protocol carries window sizes as whole 16-bit quantities.
constexpr double largestSide = 32767;

const X11Element* asX11(const ElementRef& element) {
    return dynamic_cast<const X11Element*>(&element);
}

}  // namespace

X11WindowSystem::X11WindowSystem(const char* displayName)
    : connection_(displayName), ownExecutable_(ProcessInfo::ownExecutablePath()) {}

std::optional<X11Call> X11WindowSystem::callFor(const X11Element& element) {
    return connection_.call(element.timeout().value_or(X11Connection::defaultTimeoutSeconds));
}

void X11WindowSystem::flush() {
    if (auto connection = connection_.current()) connection->flush();
}

std::optional<std::string> X11WindowSystem::windowManagerName() {
    const auto connection = connection_.current();
    if (!connection) return std::nullopt;
    return X11Trust(*connection).windowManagerName();
}

bool X11WindowSystem::isProcessTrusted() {
    const auto connection = connection_.currentOrNew();
    return connection && X11Trust(*connection).windowManagerRunning();
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
    x11->setTimeout(seconds == 0 ? static_cast<float>(X11Connection::defaultTimeoutSeconds)
                                 : seconds);
    return ax::success;
}

AttributeResult X11WindowSystem::copyAttributeValue(const ElementRef& element,
                                                    std::string_view attribute) {
    const auto* x11 = asX11(element);
    if (!x11) return {ax::illegalArgument, {}};
    const auto call = callFor(*x11);
    if (!call) return {ax::cannotComplete, {}};
    return X11AttributeReader(*call).read(*x11, attribute);
}

AXError X11WindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto* x11 = asX11(element);
    if (!x11 || x11->kind() == X11Element::Kind::systemWide) return ax::illegalArgument;
    if (x11->kind() == X11Element::Kind::application) {
        if (!x11->pid()) return ax::failure;
        pid = *x11->pid();
        return ax::success;
    }
    const auto call = callFor(*x11);
    if (!call) return ax::cannotComplete;
    return X11AttributeReader(*call).pid(*x11, pid);
}

// A size that does not round to a whole number from 1 to 32767 cannot be sent;
// the resizer stops without a line of its own, so this one says why.
std::optional<SizeValue> X11WindowSystem::createSizeValue(double width, double height) {
    auto representable = [](double side) {
        return std::isfinite(side) && std::round(side) >= 1 && std::round(side) <= largestSide;
    };
    if (representable(width) && representable(height)) return SizeValue{{width, height}};
    Log::write("X11: cannot size a window to " + logformat::number(width) + "x" +
               logformat::number(height) + ": the X protocol carries whole sizes from 1 to 32767");
    return std::nullopt;
}

SizeWriteResult X11WindowSystem::setAttributeValue(const ElementRef& element,
                                                   std::string_view attribute,
                                                   const SizeValue& value) {
    const auto* x11 = asX11(element);
    if (attribute != attr::size) return {ax::attributeUnsupported, std::nullopt};
    if (!x11 || x11->kind() != X11Element::Kind::window) return {ax::illegalArgument, std::nullopt};
    const auto call = callFor(*x11);
    if (!call) return {ax::cannotComplete, std::nullopt};
    return X11Resizer(*call).resize(x11->window(), value.size);
}

std::optional<std::vector<WindowListEntry>> X11WindowSystem::copyWindowList() {
    const auto call = connection_.call();
    if (!call) return std::nullopt;
    return X11WindowList(*call).onScreen();
}

std::optional<RunningApplication> X11WindowSystem::frontmostApplication() {
    const auto call = connection_.call();
    if (!call) return std::nullopt;
    return X11Applications(*call).frontmost();
}

std::optional<RunningApplication> X11WindowSystem::runningApplication(Pid pid) {
    if (const auto call = connection_.call()) return X11Applications(*call).running(pid);
    // Without a display the process is still known from /proc.
    if (!ProcessInfo::exists(pid)) return std::nullopt;
    return X11Applications::withoutWindows(pid);
}

Pid X11WindowSystem::ownPid() {
    return static_cast<Pid>(::getpid());
}

Subscription X11WindowSystem::subscribeActivations(ActivationHandler handler) {
    return activation_.subscribe(std::move(handler));
}

}  // namespace varnic
