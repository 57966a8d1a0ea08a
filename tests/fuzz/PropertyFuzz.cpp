// Arbitrary property values, as any X client may set them, through every
// property reader: none may crash, and what they return must hold together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/x11/PropertyParsing.h"
#include "support/Utf8.h"

namespace {

constexpr xcb_atom_t utf8String = 300;  // stands in for the interned UTF8_STRING

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace varnic;
    if (size < 3) return 0;
    // The first bytes choose the type and format the server reports.
    constexpr xcb_atom_t types[] = {utf8String, XCB_ATOM_STRING, XCB_ATOM_CARDINAL,
                                    XCB_ATOM_WINDOW};
    const property::Data data{types[bytes[0] % 4], bytes[1],
                              std::string_view(reinterpret_cast<const char*>(bytes) + 3, size - 3)};

    if (const auto text = property::text(data, utf8String)) require(utf8::isValid(*text));
    if (const auto name = property::wmClass(data)) {
        require(!name->empty() && utf8::isValid(*name));
    }
    const auto items = property::items32(data, XCB_ATOM_CARDINAL);
    require(items.empty() || items.size() == data.bytes.size() / 4);
    if (const auto icon = property::bestIcon(items, bytes[2])) {
        require(icon->width > 0 && icon->width <= 1024 && icon->height > 0 && icon->height <= 1024);
        require(icon->argb.size() == static_cast<std::size_t>(icon->width) * icon->height);
    }
    return 0;
}
