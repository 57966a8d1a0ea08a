#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "windows/AppIcon.h"

// Defensive readers for window properties. Any client may set any property
// to anything: wrong types and formats, lengths that do not add up, bytes that
// are not text. Each reader answers "absent" (or an empty list) instead.
namespace varnic::property {

// A property value as the server returned it.
struct Data {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::uint8_t format = 0;
    std::string_view bytes;
    // The server held more than was asked for: the bytes end at the limit.
    bool cut = false;
};

// The value of a GetProperty reply; empty when the reply is null.
Data fromReply(const xcb_get_property_reply_t* reply);

// Text in UTF8_STRING (made valid UTF-8) or STRING (ICCCM: ISO Latin-1,
// converted to UTF-8); absent for any other type or format. A value cut at
// the limit ends with its last whole character.
std::optional<std::string> text(const Data& data, xcb_atom_t utf8StringType);

// 32-bit items of the expected type; empty for any other type or format.
std::vector<std::uint32_t> items32(const Data& data, xcb_atom_t expectedType);

// The class part of WM_CLASS (ICCCM: instance NUL class NUL); absent when empty.
std::optional<std::string> wmClass(const Data& data);

// The image of _NET_WM_ICON (width, height, then width*height ARGB pixels,
// repeated) that fits the preferred side best: the smallest at least that
// large, else the largest. Stops at the first entry that does not add up.
std::shared_ptr<const AppIcon> bestIcon(std::span<const std::uint32_t> items, int preferredSide);

std::string latin1ToUtf8(std::string_view bytes);

}  // namespace varnic::property
