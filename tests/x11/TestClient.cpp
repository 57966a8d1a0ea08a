// A small X client for the x11 tests and the window-list benchmark: --count
// windows of --size with a --title (raw bytes), a --type (DOCK or DESKTOP)
// that a window manager reads only at mapping, and --fixed size hints. It
// prints "ready" and its window ids, then reads events until it is ended. The
// tests set any other property from their own connection.
#include <unistd.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    xcb_ewmh_connection_t ewmh;
    if (!xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(c, &ewmh), nullptr)) return 1;
    auto windowType =
        type == "DOCK" ? ewmh._NET_WM_WINDOW_TYPE_DOCK : ewmh._NET_WM_WINDOW_TYPE_DESKTOP;
    // A user-given position spares the window manager its placement search,
    // which grows with the number of windows; a fixed size is a minimum and a
    // maximum of the window's size.
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_position(&hints, 1, 0, 0);
    xcb_icccm_size_hints_set_size(&hints, 1, width, height);
    if (fixed) {
        xcb_icccm_size_hints_set_min_size(&hints, width, height);
        xcb_icccm_size_hints_set_max_size(&hints, width, height);
    }
    std::string ready = "ready";
    for (int i = 0; i < count; ++i) {
        const auto w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                          &screen->white_pixel);
        xcb_ewmh_set_wm_name(&ewmh, w, title.size(), title.data());
        xcb_icccm_set_wm_name(c, w, ewmh.UTF8_STRING, 8, title.size(), title.data());
        xcb_icccm_set_wm_class(c, w, 36, "varnic-test-client\0VarnicTestClient");
        xcb_ewmh_set_wm_pid(&ewmh, w, static_cast<std::uint32_t>(getpid()));
        if (!type.empty()) xcb_ewmh_set_wm_window_type(&ewmh, w, 1, &windowType);
        xcb_icccm_set_wm_normal_hints(c, w, &hints);
        xcb_map_window(c, w);
        ready.append(" ").append(std::to_string(w));
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::printf("%s\n", ready.c_str());
    std::fflush(stdout);
    while (auto* event = xcb_wait_for_event(c)) std::free(event);
    return 0;
}
