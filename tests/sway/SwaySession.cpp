#include "tests/sway/SwaySession.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace varnic::testing {

using Json = nlohmann::json;

SwaySession::SwaySession() : TestDesktop("sway") {
    if (const char* root = std::getenv("VARNIC_SWAY_ROOT")) root_ = root;
    socket_ = logDirectory() + "/sway.sock";
    // The exec line runs once sway is up; sway's children write to its stdout.
    std::ofstream(logDirectory() + "/config") << "output HEADLESS-1 resolution 1920x1080\n"
                                                 "xwayland enable\n"
                                                 "exec echo \"ready $WAYLAND_DISPLAY $DISPLAY\"\n";
    std::istringstream ready(startDesktop(inRoot({"sway", "--config", logDirectory() + "/config"}),
                                          {"WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                                           "WLR_LIBINPUT_NO_DEVICES=1", "SWAYSOCK=" + socket_},
                                          "ready ", 20s));
    std::string word, wayland, x11;
    ready >> word >> wayland >> x11;
    environment_ = {"WAYLAND_DISPLAY=" + wayland, "DISPLAY=" + x11, "SWAYSOCK=" + socket_};
    // As in a sway session, the backend finds XWayland's X server on $DISPLAY.
    setenv("DISPLAY", x11.c_str(), 1);
    const auto deadline = I3IpcConnection::deadlineAfter(10);
    events_ = I3IpcConnection::open(socket_, deadline);
    if (!events_ || !events_->send(I3IpcConnection::subscribe, R"(["window"])", deadline) ||
        !events_->receive(deadline)) {
        throw std::runtime_error("cannot subscribe to sway's window events");
    }
}

SwaySession::~SwaySession() = default;

std::vector<std::string> SwaySession::inRoot(const std::vector<std::string>& argv) const {
    if (root_.empty()) return argv;
    std::vector<std::string> chrooted{VARNIC_SWAY_CHROOT, root_};
    chrooted.insert(chrooted.end(), argv.begin(), argv.end());
    return chrooted;
}

std::optional<Json> SwaySession::waitForEvent(const std::function<bool(const Json&)>& accept,
                                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (auto message = events_->receive(deadline)) {
        if (!message->isEvent()) continue;
        auto event = Json::parse(message->payload, nullptr, false);
        if (event.is_object() && accept(event)) return event;
    }
    return std::nullopt;
}

SwaySession::Window SwaySession::start(const std::vector<std::string>& argv,
                                       const std::vector<std::string>& environment) {
    auto& process = TestDesktop::start(argv, environment);
    const auto created = waitForEvent([&](const Json& event) {
        return event.value("change", "") == "new" &&
               event["container"].value("pid", 0) == process.pid();
    });
    if (!created) throw std::runtime_error(argv[0] + " did not map a window");
    const auto id = (*created)["container"]["id"].get<std::int64_t>();
    // sway focuses a new window right after mapping it.
    if (!awaitChange("focus", id)) throw std::runtime_error(argv[0] + " did not get the focus");
    return {id, process.pid(), &process};
}

bool SwaySession::awaitChange(const std::string& change, std::int64_t id) {
    return waitForEvent([&](const Json& event) {
               return event.value("change", "") == change && event["container"]["id"] == id;
           })
        .has_value();
}

void SwaySession::stop(const Window& window) {
    window.process->stop();
    awaitChange("close", window.id);
}

void SwaySession::focus(const Window& window) {
    swaymsg({"[con_id=" + std::to_string(window.id) + "] focus"});
    awaitChange("focus", window.id);
}

std::string SwaySession::swaymsg(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"swaymsg", "--socket", socket_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run(argv);
}

// Every node's id flattens to a path ending in "/id"; the node is its parent.
Json SwaySession::node(std::int64_t id) {
    const auto tree = Json::parse(swaymsg({"-t", "get_tree"}), nullptr, false);
    if (!tree.is_object()) return {};
    const auto flat = tree.flatten();
    for (const auto& [path, value] : flat.items()) {
        if (path.ends_with("/id") && value == id) {
            return tree.at(Json::json_pointer(path.substr(0, path.size() - 3)));
        }
    }
    return {};
}

std::string SwaySession::outerSize(std::int64_t id) {
    const auto found = node(id);
    if (found.is_null()) return {};
    return std::to_string(found["rect"]["width"].get<int>()) + "x" +
           std::to_string(found["rect"]["height"].get<int>() +
                          found["deco_rect"]["height"].get<int>());
}

}  // namespace varnic::testing
