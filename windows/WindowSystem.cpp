#include "windows/WindowSystem.h"

namespace varnic {

const ElementRef* AttributeResult::element() const {
    const auto* element = std::get_if<Element>(&value);
    return element ? element->get() : nullptr;
}

const std::string* AttributeResult::text() const {
    return std::get_if<std::string>(&value);
}

const ElementList* AttributeResult::list() const {
    return std::get_if<ElementList>(&value);
}

}  // namespace varnic
