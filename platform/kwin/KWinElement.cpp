#include "platform/kwin/KWinElement.h"

namespace varnic {

Element KWinElement::systemWide() {
    return Element(new KWinElement(Kind::systemWide, 0, {}, std::nullopt));
}

Element KWinElement::application(Pid pid, std::string anchor, std::optional<float> timeout) {
    return Element(new KWinElement(Kind::application, pid, std::move(anchor), timeout));
}

Element KWinElement::window(std::string id, std::optional<float> timeout) {
    return Element(new KWinElement(Kind::window, 0, std::move(id), timeout));
}

}  // namespace varnic
