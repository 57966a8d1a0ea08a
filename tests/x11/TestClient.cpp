// A small X client whose properties the x11 tests choose: hostile titles,
// malformed properties, icons, client-side shadows, many windows, and a
// freeze (SIGUSR1) that grabs the server and stops answering.
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

volatile sig_atomic_t freezeRequested = 0;

struct Options {
    std::string title = "varnic test client";  // raw bytes, sent as UTF8_STRING
    std::string latin1Name;                    // WM_NAME as STRING instead
    bool malformed = false;                    // _NET_WM_PID and _NET_WM_STATE of the wrong type
    bool icon = false;                         // images of 16, 48 and 128 pixels
    std::string type;                          // _NET_WM_WINDOW_TYPE_<type>
    std::string state;                         // _NET_WM_STATE_<state>
    std::vector<std::uint32_t> shadow;         // _GTK_FRAME_EXTENTS
    std::uint16_t width = 300;
    std::uint16_t height = 200;
    int count = 1;
    bool fixed = false;  // minimum = maximum size hints
    // As a fake window manager: a root _NET_CLIENT_LIST_STACKING of this many
    // copies of the first window, and a root _NET_ACTIVE_WINDOW.
    std::uint32_t rootStacking = 0;
    std::uint32_t rootActive = 0;
};

Options parse(int argc, char** argv) {
    Options o;
    const auto number = [](const std::string& v) { return std::uint32_t(std::stoul(v)); };
    const std::map<std::string_view, std::function<void()>> flags{
        {"--malformed", [&] { o.malformed = true; }},
        {"--icon", [&] { o.icon = true; }},
        {"--fixed", [&] { o.fixed = true; }}};
    const std::map<std::string_view, std::function<void(const std::string&)>> valued{
        {"--title", [&](auto& v) { o.title = v; }},
        {"--title-bytes", [&](auto& v) { o.title = std::string(number(v), 'T'); }},
        {"--latin1-name", [&](auto& v) { o.latin1Name = v, o.title.clear(); }},
        {"--type", [&](auto& v) { o.type = v; }},
        {"--state", [&](auto& v) { o.state = v; }},
        {"--root-stacking", [&](auto& v) { o.rootStacking = number(v); }},
        {"--root-active", [&](auto& v) { o.rootActive = number(v); }},
        {"--count", [&](auto& v) { o.count = int(number(v)); }},
        {"--size", [&](auto& v) { std::sscanf(v.c_str(), "%hux%hu", &o.width, &o.height); }},
        {"--shadow", [&](auto& v) {
             o.shadow.resize(4);
             std::sscanf(v.c_str(), "%u,%u,%u,%u", &o.shadow[0], &o.shadow[1], &o.shadow[2],
                         &o.shadow[3]);
         }}};
    for (int i = 1; i < argc; ++i) {
        if (const auto flag = flags.find(argv[i]); flag != flags.end()) {
            flag->second();
        } else if (const auto option = valued.find(argv[i]); option != valued.end() && ++i < argc) {
            option->second(argv[i]);
        }
    }
    return o;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

void set(xcb_connection_t* c, xcb_window_t w, const char* name, xcb_atom_t type, int format,
         const void* data, std::size_t items) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, name), type, format, items, data);
}

void decorate(xcb_connection_t* c, xcb_window_t w, const Options& o) {
    if (!o.title.empty()) {
        set(c, w, "_NET_WM_NAME", atom(c, "UTF8_STRING"), 8, o.title.data(), o.title.size());
        set(c, w, "WM_NAME", atom(c, "UTF8_STRING"), 8, o.title.data(), o.title.size());
    }
    if (!o.latin1Name.empty())
        set(c, w, "WM_NAME", XCB_ATOM_STRING, 8, o.latin1Name.data(), o.latin1Name.size());
    set(c, w, "WM_CLASS", XCB_ATOM_STRING, 8, "varnic-test-client\0VarnicTestClient", 36);
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    if (o.malformed) {
        set(c, w, "_NET_WM_PID", XCB_ATOM_STRING, 8, "12345", 5);
        set(c, w, "_NET_WM_STATE", XCB_ATOM_CARDINAL, 16, "\1\2\3", 1);
    } else {
        set(c, w, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, &pid, 1);
    }
    if (o.icon) {
        // Images of 16, 48 and 128 pixels a side, each of its own colour.
        std::vector<std::uint32_t> data;
        for (const std::uint32_t side : {16u, 48u, 128u}) {
            data.insert(data.end(), {side, side});
            data.insert(data.end(), std::size_t{side} * side, 0xFF000000u | side);
        }
        set(c, w, "_NET_WM_ICON", XCB_ATOM_CARDINAL, 32, data.data(), data.size());
    }
    for (const auto& [property, value] :
         {std::pair("_NET_WM_WINDOW_TYPE", o.type), std::pair("_NET_WM_STATE", o.state)}) {
        if (value.empty()) continue;
        const auto name = atom(c, (property + ("_" + value)).c_str());
        set(c, w, property, XCB_ATOM_ATOM, 32, &name, 1);
    }
    if (!o.shadow.empty())
        set(c, w, "_GTK_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 32, o.shadow.data(), 4);
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = parse(argc, argv);
    signal(SIGUSR1, [](int) { freezeRequested = 1; });
    auto* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::string ready = "ready";
    for (int i = 0; i < options.count; ++i) {
        const auto w = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, options.width,
                          options.height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        decorate(c, w, options);
        // A user-given position spares the window manager its placement
        // search, which grows with the number of windows (ICCCM WM_SIZE_HINTS).
        std::uint32_t hints[18] = {1u | 2u, 0, 0, options.width, options.height};
        if (options.fixed) {
            // PMinSize and PMaxSize, both the window's size.
            hints[0] |= 16u | 32u;
            hints[5] = hints[7] = options.width;
            hints[6] = hints[8] = options.height;
        }
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        xcb_map_window(c, w);
        ready.append(" ").append(std::to_string(w));
    }
    if (options.rootStacking > 0) {
        const std::vector<std::uint32_t> list(options.rootStacking, std::stoul(ready.substr(6)));
        set(c, screen->root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, 32, list.data(),
            list.size());
    }
    if (options.rootActive != 0)
        set(c, screen->root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 32, &options.rootActive, 1);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::printf("%s\n", ready.c_str());
    std::fflush(stdout);
    for (;;) {
        if (freezeRequested) {
            // Holding the server grabbed and never letting go: every other
            // client's requests wait until this process dies.
            xcb_grab_server(c);
            xcb_flush(c);
            std::printf("frozen\n");
            std::fflush(stdout);
            for (;;) pause();
        }
        while (auto* event = xcb_poll_for_event(c)) std::free(event);
        if (xcb_connection_has_error(c)) return 0;
        pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&descriptor, 1, 50);
    }
}
