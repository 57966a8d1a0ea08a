#include "platform/i3ipc/I3Element.h"

namespace varnic {

Element I3Element::systemWide() {
    return Element(new I3Element(Kind::systemWide, 0, 0, std::nullopt));
}

Element I3Element::application(Pid pid, std::optional<float> timeout) {
    return Element(new I3Element(Kind::application, pid, 0, timeout));
}

Element I3Element::window(std::int64_t id, std::optional<float> timeout) {
    return Element(new I3Element(Kind::window, 0, id, timeout));
}

}  // namespace varnic
