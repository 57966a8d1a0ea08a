#include "platform/i3ipc/SwayPanelPlacer.h"

#include <QWidget>
#include <nlohmann/json.hpp>

#include "support/Log.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

using Json = nlohmann::json;
constexpr double timeoutSeconds = 2.0;

const Json* findWindow(const Json& node, std::uint32_t window) {
    if (node.is_object() && node.contains("window") && node["window"].is_number_unsigned() &&
        node["window"].get<std::uint32_t>() == window) {
        return &node;
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        if (!node.is_object() || !node.contains(key) || !node[key].is_array()) continue;
        for (const auto& child : node[key]) {
            if (const auto* found = findWindow(child, window)) return found;
        }
    }
    return nullptr;
}

int number(const Json& object, const char* key) {
    return object.is_object() && object.contains(key) && object[key].is_number_integer()
               ? object[key].get<int>()
               : 0;
}

// The reply to a request without payload; events on the way are skipped.
std::optional<I3IpcConnection::Message> reply(I3IpcConnection& connection, std::uint32_t type,
                                              I3IpcConnection::Deadline deadline) {
    if (!connection.send(type, "", deadline)) return std::nullopt;
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

std::optional<QRect> SwayPanelPlacer::frameInTree(I3IpcConnection& connection, std::uint32_t window,
                                                  Deadline deadline) {
    const auto tree = reply(connection, I3IpcConnection::getTree, deadline);
    if (!tree) return std::nullopt;
    const auto* node = findWindow(Json::parse(tree->payload, nullptr, false), window);
    if (!node) return std::nullopt;
    // rect leaves out the title bar sway may draw above the window.
    const auto& rect = (*node)["rect"];
    const int title = number((*node)["deco_rect"], "height");
    return QRect(number(rect, "x"), number(rect, "y") - title, number(rect, "width"),
                 number(rect, "height") + title);
}

std::optional<QRect> SwayPanelPlacer::awaitContainer(std::uint32_t window, Deadline deadline) {
    // Subscribed before the tree is read, so a window mapped in between is not missed.
    auto events = I3IpcConnection::open(socket_, deadline);
    auto requests = I3IpcConnection::open(socket_, deadline);
    if (!events || !requests ||
        !events->send(I3IpcConnection::subscribe, R"(["window"])", deadline)) {
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
                     findWindow(event["container"], window);
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
    const auto frame = requests ? frameInTree(*requests, id, deadline) : std::nullopt;
    if (!frame) return std::nullopt;
    return frame->center();
}

void SwayPanelPlacer::placeOwnWindow(QWidget& window, QPoint topLeft) {
    const auto deadline = I3IpcConnection::deadlineAfter(timeoutSeconds);
    if (!awaitContainer(static_cast<std::uint32_t>(window.winId()), deadline) ||
        !command(idCriteria(window) + "move absolute position " + std::to_string(topLeft.x()) +
                     " " + std::to_string(topLeft.y()),
                 deadline)) {
        Log::write("Panel: sway did not move the panel beside the icon");
    }
}

}  // namespace varnic
