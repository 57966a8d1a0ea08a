// A small X client for the x11 tests and the window-list benchmark: --count
// windows of --size with a --title (raw bytes), a --type (_NET_WM_WINDOW_TYPE_
// DOCK, ...) that a window manager reads only at mapping, and --fixed size
// hints. It prints "ready" and its window ids, then reads events until it is
// ended. The tests set any other property from their own connection.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const std::string& name) {
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.c_str()), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

void set(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, int format,
         const void* data, std::size_t items) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, format, items, data);
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "varnic test client", type;
    std::uint16_t width = 300, height = 200;
    int count = 1;
    bool fixed = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--fixed") {
            fixed = true;
        } else if (i + 1 < argc) {
            const std::string value = argv[++i];
            if (option == "--title") title = value;
            if (option == "--type") type = value;
            if (option == "--count") count = std::stoi(value);
            if (option == "--size") std::sscanf(value.c_str(), "%hux%hu", &width, &height);
        }
    }
    auto* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    std::string ready = "ready";
    for (int i = 0; i < count; ++i) {
        const auto w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                          &screen->white_pixel);
        for (const char* name : {"_NET_WM_NAME", "WM_NAME"})
            set(c, w, atom(c, name), atom(c, "UTF8_STRING"), 8, title.data(), title.size());
        set(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, "varnic-test-client\0VarnicTestClient",
            36);
        set(c, w, atom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, &pid, 1);
        if (!type.empty()) {
            const auto value = atom(c, "_NET_WM_WINDOW_TYPE_" + type);
            set(c, w, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, &value, 1);
        }
        // A user-given position spares the window manager its placement
        // search, which grows with the number of windows (ICCCM WM_SIZE_HINTS);
        // a fixed size is a minimum and a maximum of the window's size.
        std::uint32_t hints[18] = {1u | 2u, 0, 0, width, height};
        if (fixed) {
            hints[0] |= 16u | 32u;
            hints[5] = hints[7] = width;
            hints[6] = hints[8] = height;
        }
        set(c, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, hints, 18);
        xcb_map_window(c, w);
        ready.append(" ").append(std::to_string(w));
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::printf("%s\n", ready.c_str());
    std::fflush(stdout);
    while (auto* event = xcb_wait_for_event(c)) std::free(event);
    return 0;
}
