// An X client whose window has one allowed size (minimum = maximum), titled
// from its argument; it stays until it is killed.
// Usage: varnic_kwin_fixed_client TITLE
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* title = argc > 1 ? argv[1] : "fixed";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    constexpr std::uint16_t width = 320;
    constexpr std::uint16_t height = 240;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        std::strlen(title), title);
    const char wmClass[] = "varnic-fixed\0varnic-fixed";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    // WM_NORMAL_HINTS: flags PMinSize | PMaxSize, then min and max sizes.
    std::uint32_t hints[18] = {16u | 32u};
    hints[5] = hints[7] = width;
    hints[6] = hints[8] = height;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    xcb_map_window(c, window);
    xcb_flush(c);
    while (auto* event = xcb_wait_for_event(c)) std::free(event);
    xcb_disconnect(c);
    return 0;
}
