#include "tests/sway/SwaySession.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace varnic::testing {
namespace {

using Json = nlohmann::json;

std::string runtimeDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) {
        throw std::runtime_error("no XDG_RUNTIME_DIR: run under tests/wayland/as-test-user.sh");
    }
    return runtime;
}

const Json* findNode(const Json& node, std::int64_t id) {
    if (node.value("id", std::int64_t{-1}) == id) return &node;
    for (const char* key : {"nodes", "floating_nodes"}) {
        if (!node.contains(key)) continue;
        for (const auto& child : node[key]) {
            if (const auto* found = findNode(child, id)) return found;
        }
    }
    return nullptr;
}

}  // namespace

SwaySession::SwaySession() {
    const auto runtime = runtimeDirectory();
    // Inside the runner's folder, which goes when the test passes.
    const char* base = std::getenv("VARNIC_SESSION_DIR");
    auto pattern = std::string(base && *base ? base : "/tmp") + "/sway-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    directory_ = pattern;
    socket_ = directory_ + "/sway.sock";
    // The exec line runs once sway is up; sway's children write to its stdout.
    std::ofstream(directory_ + "/config") << "output HEADLESS-1 resolution 1920x1080\n"
                                             "xwayland enable\n"
                                             "exec echo \"ready $WAYLAND_DISPLAY $DISPLAY\"\n";
    sway_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"sway", "--config", directory_ + "/config"},
        std::vector<std::string>{"WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                                 "WLR_LIBINPUT_NO_DEVICES=1", "SWAYSOCK=" + socket_,
                                 "XDG_RUNTIME_DIR=" + runtime},
        directory_ + "/sway.log");
    const auto ready = sway_->readLine(20s);
    if (!ready || ready->rfind("ready ", 0) != 0) {
        throw std::runtime_error("sway did not start; see " + directory_ + "/sway.log");
    }
    const auto words = ready->substr(6);
    waylandDisplay_ = words.substr(0, words.find(' '));
    x11Display_ = words.substr(words.find(' ') + 1);
    const auto deadline = I3IpcConnection::deadlineAfter(10);
    events_ = I3IpcConnection::open(socket_, deadline);
    if (!events_ || !events_->send(I3IpcConnection::subscribe, R"(["window"])", deadline) ||
        !events_->receive(deadline)) {
        throw std::runtime_error("cannot subscribe to sway's window events");
    }
}

SwaySession::~SwaySession() {
    clients_.clear();
    events_.reset();
    sway_.reset();
}

std::vector<std::string> SwaySession::environment() const {
    return {"WAYLAND_DISPLAY=" + waylandDisplay_, "DISPLAY=" + x11Display_, "SWAYSOCK=" + socket_};
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
                                       const std::vector<std::string>& extra) {
    auto env = environment();
    env.insert(env.end(), extra.begin(), extra.end());
    auto& process = clients_.emplace_back(
        std::make_unique<ChildProcess>(argv, env, directory_ + "/clients.log"));
    const pid_t pid = process->pid();
    const auto created = waitForEvent([&](const Json& event) {
        return event.value("change", "") == "new" && event["container"].value("pid", 0) == pid;
    });
    if (!created) throw std::runtime_error(argv[0] + " did not map a window");
    const auto id = (*created)["container"]["id"].get<std::int64_t>();
    // sway focuses a new window right after mapping it.
    if (!awaitChange("focus", id)) throw std::runtime_error(argv[0] + " did not get the focus");
    return {id, pid, process.get()};
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

std::string SwaySession::run(const std::vector<std::string>& argv) {
    return ChildProcess(argv, environment(), directory_ + "/tools.log").output(10s);
}

Json SwaySession::node(std::int64_t id) {
    const auto tree = Json::parse(swaymsg({"-t", "get_tree"}), nullptr, false);
    const auto* found = findNode(tree, id);
    return found ? *found : Json();
}

std::string SwaySession::outerSize(std::int64_t id) {
    const auto found = node(id);
    if (found.is_null()) return {};
    return std::to_string(found["rect"]["width"].get<int>()) + "x" +
           std::to_string(found["rect"]["height"].get<int>() +
                          found["deco_rect"]["height"].get<int>());
}

}  // namespace varnic::testing
