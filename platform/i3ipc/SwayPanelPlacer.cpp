#include "platform/i3ipc/SwayPanelPlacer.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <nlohmann/json.hpp>

#include "support/Log.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

using Json = nlohmann::json;
constexpr double timeoutSeconds = 2.0;

// The window's node with the output and workspace it is on.
struct Found {
    const Json* window = nullptr;
    const Json* output = nullptr;
    const Json* workspace = nullptr;
};

// Sway maps the window tiled and floats it right after ("new", then
// "floating"); only a floating window can be moved to a position.
bool isWindow(const Json& node, std::uint32_t window) {
    return node.is_object() && node.contains("window") && node["window"].is_number_unsigned() &&
           node["window"].get<std::uint32_t>() == window &&
           node.value("type", "") == "floating_con";
}

Found findWindow(const Json& node, std::uint32_t window, Found above = {}) {
    if (!node.is_object()) return {};
    if (isWindow(node, window)) return {&node, above.output, above.workspace};
    const auto type = node.value("type", "");
    if (type == "output") above.output = &node;
    if (type == "workspace") above.workspace = &node;
    for (const char* key : {"nodes", "floating_nodes"}) {
        if (!node.contains(key) || !node[key].is_array()) continue;
        for (const auto& child : node[key]) {
            if (const auto found = findWindow(child, window, above); found.window) return found;
        }
    }
    return {};
}

int number(const Json& object, const char* key) {
    return object.is_object() && object.contains(key) && object[key].is_number_integer()
               ? object[key].get<int>()
               : 0;
}

QRect rectOf(const Json* node) {
    if (!node || !node->contains("rect")) return {};
    const auto& rect = (*node)["rect"];
    return {number(rect, "x"), number(rect, "y"), number(rect, "width"), number(rect, "height")};
}

// Where the pointer is on one axis, from the frame that sway centred on it:
// sway keeps the frame on the output, so a frame at an output's edge was
// pushed, and the pointer is in the bar along that edge (between the output's
// edge and the workspace's), at the middle of it as far as Varnic can tell.
int pointerOnAxis(int frameStart, int frameEnd, int outputStart, int outputEnd, int usableStart,
                  int usableEnd) {
    if (frameStart <= outputStart && usableStart > outputStart) {
        return (outputStart + usableStart) / 2;
    }
    if (frameEnd >= outputEnd && usableEnd < outputEnd) return (usableEnd + outputEnd) / 2;
    return (frameStart + frameEnd) / 2;
}

// The reply to a request; events on the way are skipped.
std::optional<I3IpcConnection::Message> reply(I3IpcConnection& connection, std::uint32_t type,
                                              I3IpcConnection::Deadline deadline,
                                              std::string_view payload = "") {
    if (!connection.send(type, payload, deadline)) return std::nullopt;
    std::optional<I3IpcConnection::Message> message;
    Responsive::waitUntil(deadline, [&](Responsive::Slice slice) {
        message = connection.receive(std::min(deadline, std::chrono::steady_clock::now() + slice));
        return (message && !message->isEvent()) || connection.broken();
    });
    return message && !message->isEvent() ? message : std::nullopt;
}

std::string idCriteria(const QWidget& window) {
    return "[id=" + std::to_string(static_cast<std::uint32_t>(window.winId())) + "] ";
}

}  // namespace

std::optional<SwayPanelPlacer::Placement> SwayPanelPlacer::frameInTree(I3IpcConnection& connection,
                                                                       std::uint32_t window,
                                                                       Deadline deadline) {
    const auto tree = reply(connection, I3IpcConnection::getTree, deadline);
    if (!tree) return std::nullopt;
    const auto root = Json::parse(tree->payload, nullptr, false);
    const auto found = findWindow(root, window);
    if (!found.window) return std::nullopt;
    // rect leaves out the title bar sway may draw above the window.
    const int title = number((*found.window)["deco_rect"], "height");
    const QRect frame = rectOf(found.window).adjusted(0, -title, 0, 0);
    const QRect output = rectOf(found.output);
    // The workspace leaves out the bars' exclusive zones.
    const QRect usable = found.workspace ? rectOf(found.workspace) : output;
    return Placement{frame, output.isEmpty() ? frame : output, usable.isEmpty() ? output : usable};
}

std::optional<SwayPanelPlacer::Placement> SwayPanelPlacer::awaitContainer(std::uint32_t window,
                                                                          Deadline deadline) {
    // Qt sends the map request when it returns to its event loop; sway is to
    // see it while Varnic waits here.
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_flush(x11->connection());
    }
    // Subscribed before the tree is read, so a window mapped in between is not missed.
    auto events = I3IpcConnection::open(socket_, deadline);
    auto requests = I3IpcConnection::open(socket_, deadline);
    // The subscription is in force only once sway has answered it.
    if (!events || !requests ||
        !reply(*events, I3IpcConnection::subscribe, deadline, R"(["window"])")) {
        return std::nullopt;
    }
    if (auto frame = frameInTree(*requests, window, deadline)) return frame;
    bool mapped = false;
    Responsive::waitUntil(deadline, [&](Responsive::Slice slice) {
        const auto message =
            events->receive(std::min(deadline, std::chrono::steady_clock::now() + slice));
        if (message && message->isEvent()) {
            const auto event = Json::parse(message->payload, nullptr, false);
            mapped = event.is_object() && event.contains("container") &&
                     isWindow(event["container"], window);
        }
        return mapped || events->broken();
    });
    return mapped ? frameInTree(*requests, window, deadline) : std::nullopt;
}

bool SwayPanelPlacer::command(const std::string& text, Deadline deadline) {
    auto connection = I3IpcConnection::open(socket_, deadline);
    if (!connection || !connection->send(I3IpcConnection::runCommand, text, deadline)) return false;
    std::optional<I3IpcConnection::Message> message;
    Responsive::waitUntil(deadline, [&](Responsive::Slice slice) {
        message = connection->receive(std::min(deadline, std::chrono::steady_clock::now() + slice));
        return message.has_value() || connection->broken();
    });
    const auto results = message ? Json::parse(message->payload, nullptr, false) : Json();
    return results.is_array() && !results.empty() && results[0].is_object() &&
           results[0].value("success", false);
}

std::optional<QPoint> SwayPanelPlacer::pointerPosition(QWidget& window) {
    const auto deadline = I3IpcConnection::deadlineAfter(timeoutSeconds);
    const auto id = static_cast<std::uint32_t>(window.winId());
    if (!awaitContainer(id, deadline) ||
        !command(idCriteria(window) + "move position cursor", deadline)) {
        Log::write("Panel: sway did not tell where the pointer is");
        return std::nullopt;
    }
    auto requests = I3IpcConnection::open(socket_, deadline);
    const auto at = requests ? frameInTree(*requests, id, deadline) : std::nullopt;
    if (!at) return std::nullopt;
    const QRect& frame = at->frame;
    return QPoint(pointerOnAxis(frame.left(), frame.right(), at->output.left(), at->output.right(),
                                at->usable.left(), at->usable.right()),
                  pointerOnAxis(frame.top(), frame.bottom(), at->output.top(), at->output.bottom(),
                                at->usable.top(), at->usable.bottom()));
}

void SwayPanelPlacer::placeOwnWindow(QWidget& window, QPoint topLeft) {
    const auto deadline = I3IpcConnection::deadlineAfter(timeoutSeconds);
    const auto at = awaitContainer(static_cast<std::uint32_t>(window.winId()), deadline);
    if (at) {
        // Clear of the bars, which sway draws above floating windows.
        const QRect& usable = at->usable;
        const QSize size = at->frame.size();
        topLeft = {std::clamp(topLeft.x(), usable.left(),
                              std::max(usable.left(), usable.right() + 1 - size.width())),
                   std::clamp(topLeft.y(), usable.top(),
                              std::max(usable.top(), usable.bottom() + 1 - size.height()))};
    }
    if (!at || !command(idCriteria(window) + "move absolute position " +
                            std::to_string(topLeft.x()) + " " + std::to_string(topLeft.y()),
                        deadline)) {
        Log::write("Panel: sway did not move the panel beside the icon");
    }
}

}  // namespace varnic
