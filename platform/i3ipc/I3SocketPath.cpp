#include "platform/i3ipc/I3SocketPath.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace varnic {
namespace {

// Either program answers at once or not at all (no compositor, a stuck X server).
constexpr auto askTimeout = std::chrono::milliseconds(1000);
constexpr std::size_t maxPathLength = 4096;

std::optional<std::string> environmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// The first line the program prints, or absent when it fails or takes too long.
std::optional<std::string> ask(const char* program) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>("--get-socketpath"), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string output;
    if (spawned == 0) {
        const auto deadline = std::chrono::steady_clock::now() + askTimeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd descriptor{out[0], POLLIN, 0};
            if (left.count() <= 0 || ::poll(&descriptor, 1, static_cast<int>(left.count())) <= 0) {
                output.clear();
                break;
            }
            char chunk[512];
            const auto got = ::read(out[0], chunk, sizeof chunk);
            if (got <= 0) break;
            output.append(chunk, static_cast<std::size_t>(got));
            if (output.size() > maxPathLength) {
                output.clear();
                break;
            }
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) output.clear();
    }
    ::close(out[0]);
    const auto end = output.find('\n');
    if (end != std::string::npos) output.resize(end);
    if (output.empty() || output.front() != '/') return std::nullopt;
    return output;
}

}  // namespace

std::optional<std::string> I3SocketPath::find() {
    if (auto path = environmentPath("SWAYSOCK")) return path;
    if (auto path = environmentPath("I3SOCK")) return path;
    if (auto path = ask("sway")) return path;
    return ask("i3");
}

}  // namespace varnic
