#include "platform/x11/PropertyParsing.h"

#include "support/Utf8.h"

#include <algorithm>
#include <cstring>

namespace varnic::property {
namespace {

// Larger images are not icons; refusing them also keeps width * height small.
constexpr std::uint32_t maxIconSide = 1024;

void appendCodePoint(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

Data fromReply(const xcb_get_property_reply_t* reply) {
    if (!reply) return {};
    const auto length = xcb_get_property_value_length(reply);
    if (length <= 0) return {reply->type, reply->format, {}};
    const auto* value = static_cast<const char*>(
        xcb_get_property_value(const_cast<xcb_get_property_reply_t*>(reply)));
    return {reply->type, reply->format, std::string_view(value, static_cast<std::size_t>(length)),
            reply->bytes_after > 0};
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) appendCodePoint(out, static_cast<unsigned char>(byte));
    return out;
}

std::optional<std::string> text(const Data& data, xcb_atom_t utf8StringType) {
    if (data.format != 8) return std::nullopt;
    if (data.type == utf8StringType) {
        return utf8::valid(data.cut ? utf8::withoutCutEnd(data.bytes) : data.bytes);
    }
    if (data.type == XCB_ATOM_STRING) return latin1ToUtf8(data.bytes);
    return std::nullopt;
}

std::vector<std::uint32_t> items32(const Data& data, xcb_atom_t expectedType) {
    if (data.format != 32 || data.type != expectedType) return {};
    std::vector<std::uint32_t> items(data.bytes.size() / sizeof(std::uint32_t));
    // An empty property has no bytes at all, not even a pointer to copy from.
    if (!items.empty()) {
        std::memcpy(items.data(), data.bytes.data(), items.size() * sizeof(std::uint32_t));
    }
    return items;
}

std::optional<std::string> wmClass(const Data& data) {
    if (data.format != 8 || data.type != XCB_ATOM_STRING) return std::nullopt;
    auto bytes = data.bytes;
    const auto separator = bytes.find('\0');
    if (separator != std::string_view::npos) bytes.remove_prefix(separator + 1);
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.empty()) return std::nullopt;
    return latin1ToUtf8(bytes);
}

std::shared_ptr<const AppIcon> bestIcon(std::span<const std::uint32_t> items, int preferredSide) {
    std::span<const std::uint32_t> best;
    std::uint32_t bestWidth = 0;
    std::uint32_t bestHeight = 0;
    const auto preferred = static_cast<std::uint32_t>(preferredSide);
    auto better = [&](std::uint32_t side) {
        const auto bestSide = std::max(bestWidth, bestHeight);
        if (best.empty()) return true;
        if (bestSide < preferred) return side > bestSide;
        return side >= preferred && side < bestSide;
    };
    while (items.size() >= 2) {
        const auto width = items[0];
        const auto height = items[1];
        if (width == 0 || height == 0 || width > maxIconSide || height > maxIconSide) break;
        const auto pixels = std::size_t{width} * height;
        if (items.size() - 2 < pixels) break;
        if (better(std::max(width, height))) {
            best = items.subspan(2, pixels);
            bestWidth = width;
            bestHeight = height;
        }
        items = items.subspan(2 + pixels);
    }
    if (best.empty()) return nullptr;
    auto icon = std::make_shared<AppIcon>();
    icon->width = static_cast<int>(bestWidth);
    icon->height = static_cast<int>(bestHeight);
    icon->argb.assign(best.begin(), best.end());
    return icon;
}

}  // namespace varnic::property
