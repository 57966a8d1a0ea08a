#include "platform/mirror/MirrorElement.h"

namespace varnic {

Element MirrorElement::systemWide() {
    return Element(new MirrorElement(Kind::systemWide, 0, {}, std::nullopt));
}

Element MirrorElement::application(Pid pid, std::string anchor, std::optional<float> timeout) {
    return Element(new MirrorElement(Kind::application, pid, std::move(anchor), timeout));
}

Element MirrorElement::window(std::string id, std::optional<float> timeout) {
    return Element(new MirrorElement(Kind::window, 0, std::move(id), timeout));
}

}  // namespace varnic
