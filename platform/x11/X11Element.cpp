#include "platform/x11/X11Element.h"

namespace varnic {

Element X11Element::systemWide() {
    return Element(new X11Element(Kind::systemWide, std::nullopt, XCB_WINDOW_NONE, std::nullopt));
}

Element X11Element::application(std::optional<Pid> pid, xcb_window_t anchor,
                                std::optional<float> timeout) {
    return Element(new X11Element(Kind::application, pid, anchor, timeout));
}

Element X11Element::window(xcb_window_t window, std::optional<float> timeout) {
    return Element(new X11Element(Kind::window, std::nullopt, window, timeout));
}

}  // namespace varnic
