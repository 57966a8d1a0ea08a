#include "tests/x11/X11Session.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace varnic::testing {
namespace {

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

}  // namespace

X11Session::X11Session(bool withWindowManager) : TestDesktop("varnic-x11") {
    // -displayfd: Xvfb picks a free display number and writes it to its stdout.
    display_ = ":" + startDesktop({"Xvfb", "-displayfd", "1", "-screen", "0", "2560x1600x24",
                                   "-nolisten", "tcp", "-noreset"},
                                  {}, "", 10s);
    environment_ = {"DISPLAY=" + display_, "HOME=" + logDirectory(),
                    "XDG_CONFIG_HOME=" + logDirectory() + "/config",
                    "XDG_CACHE_HOME=" + logDirectory() + "/cache"};
    connection_ = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot connect to Xvfb");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    if (!withWindowManager) return;
    // openbox runs its startup command once it manages new windows; the
    // command's output is openbox's.
    windowManager_ = &start({"openbox", "--sm-disable", "--startup", "echo openbox-ready"});
    if (!windowManager_->awaitLine("openbox-ready", 10s)) {
        throw std::runtime_error("openbox did not start; see " + logDirectory());
    }
}

xcb_atom_t X11Session::atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

void X11Session::setProperty(xcb_window_t window, const char* name, const char* type,
                             const std::vector<std::uint32_t>& items) {
    change(window, name, type, 32, items.size(), items.data());
}

void X11Session::setText(xcb_window_t window, const char* name, const char* type,
                         std::string_view bytes) {
    change(window, name, type, 8, bytes.size(), bytes.data());
}

// Set when it returns: the server has handled the change before its reply.
void X11Session::change(xcb_window_t window, const char* name, const char* type,
                        std::uint8_t format, std::size_t items, const void* data) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(name), atom(type), format,
                        items, data);
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

std::vector<xcb_window_t> X11Session::clientList() {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 0, root_, atom("_NET_CLIENT_LIST"),
                                                XCB_ATOM_WINDOW, 0, 1 << 16),
                               nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

// openbox lists a window once it has framed and placed it.
std::size_t X11Session::listed(const std::vector<xcb_window_t>& windows) {
    const auto list = clientList();
    return std::ranges::count_if(windows,
                                 [&](xcb_window_t w) { return std::ranges::count(list, w); });
}

X11Session::Client& X11Session::startTestClient(const std::vector<std::string>& options) {
    std::vector<std::string> argv{VARNIC_TEST_CLIENT};
    argv.insert(argv.end(), options.begin(), options.end());
    auto& client = clients_.emplace_back(Client{&start(argv), {}});
    const auto ready = client.process->readLine(10s);
    if (!ready || ready->rfind("ready", 0) != 0)
        throw std::runtime_error("test client did not start");
    std::istringstream words(ready->substr(5));
    for (xcb_window_t w; words >> w;) client.windows.push_back(w);
    const auto managed = [&] { return listed(client.windows) == client.windows.size(); };
    if (windowManager_ && !waitUntil(managed, 180s)) {
        throw std::runtime_error("openbox did not manage the test client's windows");
    }
    return client;
}

X11Session::Client& X11Session::startProgram(const std::vector<std::string>& argv) {
    const auto before = clientList();
    auto& client = clients_.emplace_back(Client{&start(argv), {}});
    const bool appeared = waitUntil([&] {
        for (const auto w : clientList()) {
            if (!std::ranges::count(before, w)) client.windows = {w};
        }
        return !client.windows.empty();
    });
    if (!appeared) throw std::runtime_error(argv[0] + " did not map a window");
    return client;
}

void X11Session::stopClient(Client& client) {
    client.process->stop();
    waitUntil([&] { return listed(client.windows) == 0; });
}

X11Session::Rect X11Session::frameGeometry(xcb_window_t client) {
    auto window = client;
    for (;;) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
        if (!tree) return {};
        if (tree->parent == root_) break;
        window = tree->parent;
    }
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    if (!geometry) return {};
    const unsigned border = 2u * geometry->border_width;
    return {geometry->width + border, geometry->height + border};
}

}  // namespace varnic::testing
