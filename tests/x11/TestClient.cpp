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
#include <string>
#include <string_view>
#include <vector>

namespace {

volatile sig_atomic_t freezeRequested = 0;

struct Options {
    std::string title = "varnic test client";
    std::string latin1Name;  // WM_NAME as STRING
    std::string wmClass = "VarnicTestClient";
    bool setPid = true;
    bool badPid = false;
    bool badState = false;
    std::string icon;                   // good, truncated, huge, overflow
    std::string type;                   // desktop, dock
    std::string state;                  // skip-taskbar, above, hidden
    std::vector<std::uint32_t> shadow;  // _GTK_FRAME_EXTENTS
    std::uint16_t width = 300;
    std::uint16_t height = 200;
    int count = 1;
    bool fixed = false;  // minimum = maximum size hints
    // As a fake window manager: a root _NET_CLIENT_LIST_STACKING of this many
    // copies of the first window, and a root _NET_ACTIVE_WINDOW.
    std::uint32_t rootStacking = 0;
    std::uint32_t rootActive = 0;
};

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (arg == "--title")
            options.title = next();
        else if (arg == "--title-hex")
            options.title = fromHex(next());
        else if (arg == "--title-bytes")
            options.title = std::string(std::stoul(next()), 'T');
        else if (arg == "--latin1-name")
            options.latin1Name = fromHex(next()), options.title.clear();
        else if (arg == "--class")
            options.wmClass = next();
        else if (arg == "--no-pid")
            options.setPid = false;
        else if (arg == "--bad-pid")
            options.badPid = true;
        else if (arg == "--bad-state")
            options.badState = true;
        else if (arg == "--icon")
            options.icon = next();
        else if (arg == "--type")
            options.type = next();
        else if (arg == "--state")
            options.state = next();
        else if (arg == "--root-stacking")
            options.rootStacking = static_cast<std::uint32_t>(std::stoul(next()));
        else if (arg == "--root-active")
            options.rootActive = static_cast<std::uint32_t>(std::stoul(next()));
        else if (arg == "--fixed")
            options.fixed = true;
        else if (arg == "--count")
            options.count = std::stoi(next());
        else if (arg == "--size")
            std::sscanf(next().c_str(), "%hux%hu", &options.width, &options.height);
        else if (arg == "--shadow") {
            std::uint32_t l, r, t, b;
            if (std::sscanf(next().c_str(), "%u,%u,%u,%u", &l, &r, &t, &b) == 4)
                options.shadow = {l, r, t, b};
        }
    }
    return options;
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

std::vector<std::uint32_t> iconData(const std::string& kind) {
    auto image = [](std::vector<std::uint32_t>& out, std::uint32_t side, std::uint32_t color) {
        out.push_back(side);
        out.push_back(side);
        out.insert(out.end(), std::size_t{side} * side, color);
    };
    std::vector<std::uint32_t> data;
    if (kind == "good") {
        image(data, 16, 0xFFFF0000u);
        image(data, 48, 0xFF00FF00u);
        image(data, 128, 0xFF0000FFu);
    } else if (kind == "truncated") {
        image(data, 16, 0xFFFF0000u);
        data.insert(data.end(), {64, 64, 1, 2, 3});  // claims 4096 pixels, has 3
    } else if (kind == "huge") {
        data.insert(data.end(), {100000, 100000, 1, 2, 3});
    } else if (kind == "overflow") {
        data.insert(data.end(), {0xFFFFFFFFu, 0xFFFFFFFFu, 1});
    }
    return data;
}

void decorate(xcb_connection_t* c, xcb_window_t w, const Options& o) {
    if (!o.title.empty()) {
        set(c, w, "_NET_WM_NAME", atom(c, "UTF8_STRING"), 8, o.title.data(), o.title.size());
        set(c, w, "WM_NAME", atom(c, "UTF8_STRING"), 8, o.title.data(), o.title.size());
    }
    if (!o.latin1Name.empty())
        set(c, w, "WM_NAME", XCB_ATOM_STRING, 8, o.latin1Name.data(), o.latin1Name.size());
    const std::string wmClass =
        "varnic-test-client" + std::string(1, '\0') + o.wmClass + std::string(1, '\0');
    set(c, w, "WM_CLASS", XCB_ATOM_STRING, 8, wmClass.data(), wmClass.size());
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    if (o.badPid)
        set(c, w, "_NET_WM_PID", XCB_ATOM_STRING, 8, "12345", 5);
    else if (o.setPid)
        set(c, w, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, &pid, 1);
    if (!o.icon.empty()) {
        const auto data = iconData(o.icon);
        set(c, w, "_NET_WM_ICON", XCB_ATOM_CARDINAL, 32, data.data(), data.size());
    }
    if (!o.type.empty()) {
        const std::string name =
            "_NET_WM_WINDOW_TYPE_" + std::string(o.type == "desktop" ? "DESKTOP" : "DOCK");
        const auto type = atom(c, name.c_str());
        set(c, w, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 32, &type, 1);
    }
    if (!o.state.empty()) {
        const std::string name = o.state == "skip-taskbar" ? "_NET_WM_STATE_SKIP_TASKBAR"
                                 : o.state == "above"      ? "_NET_WM_STATE_ABOVE"
                                                           : "_NET_WM_STATE_HIDDEN";
        const auto state = atom(c, name.c_str());
        set(c, w, "_NET_WM_STATE", XCB_ATOM_ATOM, 32, &state, 1);
    }
    if (o.badState) set(c, w, "_NET_WM_STATE", XCB_ATOM_CARDINAL, 16, "\1\2\3", 1);
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
