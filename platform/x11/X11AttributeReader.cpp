#include "platform/x11/X11AttributeReader.h"

#include "platform/proc/ProcessInfo.h"
#include "platform/x11/X11Applications.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11WindowReader.h"

namespace varnic {

AttributeResult X11AttributeReader::read(const X11Element& element, std::string_view attribute) {
    switch (element.kind()) {
        case X11Element::Kind::systemWide:
            return systemWide(attribute);
        case X11Element::Kind::application:
            return application(element, attribute);
        case X11Element::Kind::window:
            return window(element, attribute);
    }
    return {ax::failure, {}};
}

AttributeResult X11AttributeReader::systemWide(std::string_view attribute) {
    if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
    const auto clients = X11WindowList(call_).clients();
    if (!clients) return {ax::cannotComplete, {}};
    if (clients->active == XCB_WINDOW_NONE) return {ax::noValue, {}};
    X11WindowReader reader(call_.c());
    const auto active =
        reader.read(std::span(&clients->active, 1), X11WindowReader::pid, call_.deadline);
    if (!active) return {call_.failed(reader.failure()), {}};
    const auto& facts = active->front();
    if (!facts.exists) return {ax::noValue, {}};
    return {ax::success, X11Element::application(facts.pid, facts.window, std::nullopt)};
}

AttributeResult X11AttributeReader::application(const X11Element& application,
                                                std::string_view attribute) {
    const bool known = attribute == attr::focusedWindow || attribute == attr::mainWindow ||
                       attribute == attr::windows || attribute == attr::focusedUIElement;
    if (!known) return {ax::attributeUnsupported, {}};
    if (application.pid() && !ProcessInfo::exists(*application.pid())) {
        return {ax::invalidUIElement, {}};
    }
    const unsigned facts = attribute == attr::mainWindow ? X11WindowReader::kind : 0u;
    const auto found =
        X11Applications(call_).windows(application.pid(), application.window(), facts);
    if (!found) return {ax::cannotComplete, {}};
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
        const auto normal = call_.c().atom(Atom::netWmWindowTypeNormal);
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

AttributeResult X11AttributeReader::window(const X11Element& window, std::string_view attribute) {
    if (attribute != attr::title) return {ax::attributeUnsupported, {}};
    const auto id = window.window();
    X11WindowReader reader(call_.c());
    const auto read = reader.read(std::span(&id, 1), X11WindowReader::title, call_.deadline);
    if (!read) return {call_.failed(reader.failure()), {}};
    const auto& facts = read->front();
    if (!facts.exists) return {ax::invalidUIElement, {}};
    // An untitled window has the empty title, as on macOS.
    return {ax::success, facts.title.value_or("")};
}

AXError X11AttributeReader::pid(const X11Element& window, Pid& pid) {
    const auto id = window.window();
    X11WindowReader reader(call_.c());
    const auto read = reader.read(std::span(&id, 1), X11WindowReader::pid, call_.deadline);
    if (!read) return call_.failed(reader.failure());
    const auto& facts = read->front();
    if (!facts.exists) return ax::invalidUIElement;
    if (!facts.pid) return ax::failure;
    pid = *facts.pid;
    return ax::success;
}

}  // namespace varnic
