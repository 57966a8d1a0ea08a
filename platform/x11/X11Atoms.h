#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstddef>
#include <string_view>

namespace varnic {

// The atoms the backend uses, interned once per connection.
enum class Atom : std::size_t {
    netSupported,
    netSupportingWmCheck,
    netActiveWindow,
    netClientList,
    netClientListStacking,
    netWmName,
    utf8String,
    netWmPid,
    netWmIcon,
    netWmWindowType,
    netWmWindowTypeDesktop,
    netWmWindowTypeDock,
    netWmWindowTypeNormal,
    netWmWindowTypeNotification,
    netWmWindowTypeTooltip,
    netWmWindowTypePopupMenu,
    netWmWindowTypeDropdownMenu,
    netWmState,
    netWmStateHidden,
    netWmStateSkipTaskbar,
    netWmStateAbove,
    netWmStateMaximizedVert,
    netWmStateMaximizedHorz,
    netFrameExtents,
    gtkFrameExtents,
    netMoveresizeWindow,
    count
};

class X11Atoms {
  public:
    static constexpr std::size_t count = static_cast<std::size_t>(Atom::count);

    static std::string_view name(Atom atom);

    xcb_atom_t operator[](Atom atom) const { return values_[static_cast<std::size_t>(atom)]; }
    void set(Atom atom, xcb_atom_t value) { values_[static_cast<std::size_t>(atom)] = value; }

  private:
    std::array<xcb_atom_t, count> values_{};
};

}  // namespace varnic
