#pragma once

#include <string_view>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Element.h"

namespace varnic {

// Attribute reads on X11 elements. Elements are looked up afresh on every
// read, so a window destroyed between two calls is reported as
// invalidUIElement, never acted on stale.
class X11AttributeReader {
  public:
    explicit X11AttributeReader(const X11Call& call) : call_(call) {}

    AttributeResult read(const X11Element& element, std::string_view attribute);
    AXError pid(const X11Element& window, Pid& pid);

  private:
    AttributeResult systemWide(std::string_view attribute);
    AttributeResult application(const X11Element& application, std::string_view attribute);
    AttributeResult window(const X11Element& window, std::string_view attribute);

    const X11Call& call_;
};

}  // namespace varnic
