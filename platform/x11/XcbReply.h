#pragma once

#include <cstdlib>
#include <memory>

namespace varnic {

// xcb hands out replies and errors allocated with malloc; this frees them on every path.
struct XcbFree {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

}  // namespace varnic
