#include "tests/wayland/PanelHost.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <sstream>
#include <stdexcept>

namespace varnic::testing {

using namespace std::chrono_literals;

PanelHost::PanelHost(const std::string& folder) {
    const auto commands = folder + "/watcher-commands";
    if (mkfifo(commands.c_str(), 0600) != 0) throw std::runtime_error("mkfifo " + commands);
    watcher_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"sh", "-c", "exec \"$0\" <\"$1\"", VARNIC_SNI_WATCHER, commands},
        std::vector<std::string>{}, folder + "/watcher.log");
    commands_ = open(commands.c_str(), O_WRONLY | O_CLOEXEC);
    if (commands_ < 0 || readLine() != "ready") throw std::runtime_error("no watcher stand-in");
}

PanelHost::~PanelHost() {
    if (commands_ >= 0) close(commands_);
}

bool PanelHost::click(const std::string& command, int x, int y) {
    const auto line = command + " " + std::to_string(x) + " " + std::to_string(y) + "\n";
    return write(commands_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

std::optional<std::string> PanelHost::readLine() {
    return watcher_->readLine(10s);
}

std::size_t countWords(const std::string& text) {
    std::istringstream words(text);
    return static_cast<std::size_t>(std::distance(std::istream_iterator<std::string>(words),
                                                  std::istream_iterator<std::string>()));
}

}  // namespace varnic::testing
