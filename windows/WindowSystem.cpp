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

Element AttributeResult::takeElement() {
    auto* element = std::get_if<Element>(&value);
    if (code != ax::success || !element) return nullptr;
    return std::move(*element);
}

Element AttributeResult::takeFirst() {
    auto* elements = std::get_if<ElementList>(&value);
    if (code != ax::success || !elements || elements->empty()) return nullptr;
    return std::move(elements->front());
}

}  // namespace varnic
