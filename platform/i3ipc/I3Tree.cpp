#include "platform/i3ipc/I3Tree.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace varnic::i3tree {
namespace {

using Json = nlohmann::json;

// Real trees are a few levels deep; a deeper one is not walked further.
constexpr int maxDepth = 128;
constexpr double maxCoordinate = 1 << 24;

Json parse(std::string_view text) {
    return Json::parse(text.begin(), text.end(), nullptr, false);
}

const Json* member(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> text(const Json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

template <typename Integer>
std::optional<Integer> integer(const Json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || !value->is_number_integer()) return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<Integer>::max())) {
            return std::nullopt;
        }
        return static_cast<Integer>(number);
    }
    const auto number = value->get<std::int64_t>();
    if (number < static_cast<std::int64_t>(std::numeric_limits<Integer>::min()) ||
        number > static_cast<std::int64_t>(std::numeric_limits<Integer>::max())) {
        return std::nullopt;
    }
    return static_cast<Integer>(number);
}

double coordinate(const Json& rect, const char* key) {
    const auto* value = member(rect, key);
    if (!value || !value->is_number()) return 0;
    const double number = value->get<double>();
    return std::isfinite(number) ? std::clamp(number, -maxCoordinate, maxCoordinate) : 0;
}

MirrorRect rect(const Json& node, const char* key) {
    const auto* value = member(node, key);
    if (!value || !value->is_object()) return {};
    return {coordinate(*value, "x"), coordinate(*value, "y"), coordinate(*value, "width"),
            coordinate(*value, "height")};
}

const Json& children(const Json& node, const char* key) {
    static const Json none = Json::array();
    const auto* value = member(node, key);
    return value && value->is_array() ? *value : none;
}

bool isLeafWindow(const Json& node) {
    const auto type = text(node, "type");
    if (type != "con" && type != "floating_con") return false;
    if (!children(node, "nodes").empty() || !children(node, "floating_nodes").empty()) {
        return false;
    }
    return integer<Pid>(node, "pid") || text(node, "app_id") ||
           integer<std::uint32_t>(node, "window");
}

// sway draws the title bar above "rect"; i3 draws it inside, where the
// window's own area ("window_rect") starts below it.
MirrorRect outerFrame(const Json& node) {
    const auto frame = rect(node, "rect");
    const auto title = rect(node, "deco_rect");
    const auto content = rect(node, "window_rect");
    if (title.height <= 0 || content.y >= title.height) return frame;
    return {frame.x, frame.y - title.height, frame.width, frame.height + title.height};
}

// sway describes the container as laid out, but its border as drawn: the
// window's own area sits inside the border it will draw, so while the two
// disagree the new layout is not on screen yet.
bool applying(const Json& node) {
    const auto border = text(node, "border");
    const auto drawn = integer<int>(node, "current_border_width");
    const auto* area = member(node, "window_rect");
    if (!border || !drawn || !area || !area->is_object()) return false;
    const int inset = *border == "none" || *border == "csd" ? 0 : *drawn;
    return std::lround(coordinate(*area, "x")) != inset;
}

// X11 windows name their type; Wayland ones are all application windows.
bool normalType(const Json& node) {
    const auto type = text(node, "window_type");
    return !type || *type == "normal" || *type == "unknown";
}

std::optional<I3Container> container(const Json& node, bool putAway) {
    if (!isLeafWindow(node)) return std::nullopt;
    const auto id = integer<std::int64_t>(node, "id");
    if (!id) return std::nullopt;
    I3Container found;
    auto& window = found.window;
    window.id = std::to_string(*id);
    window.number = *id;
    window.pid = integer<Pid>(node, "pid");
    if (window.pid && *window.pid <= 0) window.pid.reset();
    window.x11Window = integer<std::uint32_t>(node, "window");
    auto appName = text(node, "app_id");
    if (!appName) {
        if (const auto* properties = member(node, "window_properties")) {
            appName = text(*properties, "class");
        }
    }
    window.appName = appName.value_or("");
    window.title = text(node, "name").value_or("");
    window.frame = outerFrame(node);
    found.content = rect(node, "window_rect");
    window.normal = normalType(node);
    window.minimized = putAway;
    const auto floating = text(node, "floating");
    found.floating =
        text(node, "type") == "floating_con" || floating == "user_on" || floating == "auto_on";
    const auto fullscreen = integer<int>(node, "fullscreen_mode");
    found.fullscreen = fullscreen && *fullscreen != 0;
    const auto* focused = member(node, "focused");
    found.focused = focused && focused->is_boolean() && focused->get<bool>();
    found.applying = applying(node);
    return found;
}

bool scratchpad(const Json& node) {
    return text(node, "type") == "workspace" && text(node, "name") == "__i3_scratch";
}

// Children in the order of the node's focus list (most recent first); those
// the list does not name follow in their own order.
std::vector<const Json*> focusOrder(const Json& node) {
    std::vector<const Json*> all;
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const auto& child : children(node, key)) all.push_back(&child);
    }
    std::vector<const Json*> ordered;
    for (const auto& id : children(node, "focus")) {
        if (!id.is_number_integer()) continue;
        const auto match = std::find_if(all.begin(), all.end(), [&](const Json* child) {
            const auto* childId = member(*child, "id");
            return childId && *childId == id;
        });
        if (match == all.end()) continue;
        ordered.push_back(*match);
        all.erase(match);
    }
    ordered.insert(ordered.end(), all.begin(), all.end());
    return ordered;
}

void collect(const Json& node, int depth, bool putAway, std::vector<I3Container>& into) {
    if (depth > maxDepth || text(node, "type") == "dockarea") return;
    putAway = putAway || scratchpad(node);
    if (auto found = container(node, putAway)) {
        into.push_back(std::move(*found));
        return;
    }
    for (const auto* child : focusOrder(node)) collect(*child, depth + 1, putAway, into);
}

}  // namespace

std::optional<std::vector<I3Container>> windows(std::string_view json) {
    const auto tree = parse(json);
    if (!tree.is_object() || !member(tree, "id")) return std::nullopt;
    std::vector<I3Container> found;
    collect(tree, 0, false, found);
    return found;
}

std::optional<I3WindowEvent> windowEvent(std::string_view json) {
    const auto event = parse(json);
    const auto change = text(event, "change");
    const auto* node = member(event, "container");
    if (!change || !node) return std::nullopt;
    auto found = container(*node, false);
    if (!found) return std::nullopt;
    return I3WindowEvent{*change, std::move(*found)};
}

CommandOutcome commandOutcome(std::string_view json) {
    const auto reply = parse(json);
    if (!reply.is_array() || reply.empty()) return {false, "malformed reply"};
    for (const auto& result : reply) {
        const auto* success = member(result, "success");
        if (!success || !success->is_boolean()) return {false, "malformed reply"};
        if (!success->get<bool>())
            return {false, text(result, "error").value_or("no reason given")};
    }
    return {true, {}};
}

std::optional<std::string> compositorName(std::string_view json) {
    const auto version = parse(json);
    const auto major = integer<int>(version, "major");
    const auto minor = integer<int>(version, "minor");
    if (!major || !minor) return std::nullopt;
    // sway names itself; i3 does not.
    const auto variant = text(version, "variant").value_or("i3");
    auto name = variant + " " + std::to_string(*major) + "." + std::to_string(*minor);
    if (const auto patch = integer<int>(version, "patch"); patch && *patch > 0) {
        name.append(".").append(std::to_string(*patch));
    }
    return name;
}

}  // namespace varnic::i3tree
