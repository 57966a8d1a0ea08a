#include "platform/kwin/KWinReports.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace varnic {
namespace {

using nlohmann::json;

// Coordinates beyond this are not a screen's.
constexpr double maxCoordinate = 1 << 24;

std::optional<double> number(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) return std::nullopt;
    const auto value = found->get<double>();
    if (!std::isfinite(value) || std::abs(value) > maxCoordinate) return std::nullopt;
    return value;
}

bool flag(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_boolean() && found->get<bool>();
}

std::optional<KWinRect> rect(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_object()) return std::nullopt;
    const auto x = number(*found, "x");
    const auto y = number(*found, "y");
    const auto width = number(*found, "width");
    const auto height = number(*found, "height");
    if (!x || !y || !width || !height || *width < 0 || *height < 0) return std::nullopt;
    return KWinRect{*x, *y, *width, *height};
}

// KWin gives INT_MAX for "no maximum"; such sizes mean no limit.
std::optional<Size> limit(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_object()) return std::nullopt;
    const auto width = number(*found, "width");
    const auto height = number(*found, "height");
    if (!width || !height || *width < 0 || *height < 0) return std::nullopt;
    return Size{*width, *height};
}

std::optional<std::int64_t> integer(const json& object, const char* key) {
    const auto value = number(object, key);
    if (!value || *value != std::trunc(*value)) return std::nullopt;
    return static_cast<std::int64_t>(*value);
}

std::optional<json> object(std::string_view text) {
    auto parsed = json::parse(text, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
    return parsed;
}

std::optional<std::string> string(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

std::optional<KWinWindowRecord> KWinWindowRecord::parse(std::string_view text,
                                                        std::string caption) {
    const auto report = object(text);
    if (!report) return std::nullopt;
    auto id = string(*report, "id");
    const auto frame = rect(*report, "frame");
    if (!id || id->empty() || !frame) return std::nullopt;

    KWinWindowRecord record;
    record.id = std::move(*id);
    record.caption = std::move(caption);
    record.frame = *frame;
    const auto pid = integer(*report, "pid");
    if (pid && *pid > 0 && *pid <= std::numeric_limits<Pid>::max()) {
        record.pid = static_cast<Pid>(*pid);
    }
    const auto x11Window = integer(*report, "x11Window");
    if (x11Window && *x11Window > 0 && *x11Window <= std::numeric_limits<std::uint32_t>::max()) {
        record.x11Window = static_cast<std::uint32_t>(*x11Window);
    }
    record.resourceClass = string(*report, "resourceClass").value_or("");
    record.client = rect(*report, "client");
    record.minSize = limit(*report, "minSize");
    record.maxSize = limit(*report, "maxSize");
    record.normal = flag(*report, "normal");
    record.dialog = flag(*report, "dialog");
    record.desktop = flag(*report, "desktop");
    record.dock = flag(*report, "dock");
    record.popup = flag(*report, "popup");
    record.notification = flag(*report, "notification");
    record.keepAbove = flag(*report, "keepAbove");
    record.skipTaskbar = flag(*report, "skipTaskbar");
    record.minimized = flag(*report, "minimized");
    record.resizeable = flag(*report, "resizeable");
    record.stacking = integer(*report, "stacking").value_or(0);
    return record;
}

std::optional<KWinResizeAnswer> KWinResizeAnswer::parse(std::string_view text) {
    const auto report = object(text);
    if (!report) return std::nullopt;
    const auto serial = integer(*report, "serial");
    const auto state = string(*report, "state");
    if (!serial || !state) return std::nullopt;
    KWinResizeAnswer answer{*serial, State::gone};
    if (*state == "fixed") {
        answer.state = State::fixed;
    } else if (*state == "asked") {
        answer.state = State::asked;
    } else if (*state != "gone") {
        return std::nullopt;
    }
    return answer;
}

}  // namespace varnic
