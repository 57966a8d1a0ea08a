#include "tests/harness/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace varnic::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment,
                           const std::string& logFile) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    // env(1) adds the entries: the child of a threaded test may not allocate.
    std::vector<std::string> command{"env"};
    command.insert(command.end(), environment.begin(), environment.end());
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& a : command) args.push_back(a.data());
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
        // A test binary that aborts (a failed sanitizer check) takes its
        // desktop with it instead of leaving it running.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(out[1], 1);
        if (log >= 0) dup2(log, 2);
        closefrom(3);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    stdout_ = out[0];
    // glibc 2.36 declares pidfd_open without C linkage for C++.
    exited_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (exited_ < 0) {  // without it no wait could end: give up now
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        close(stdout_);
        throw std::runtime_error("pidfd_open");
    }
}

ChildProcess::~ChildProcess() {
    stop();
    close(stdout_);
    close(exited_);
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto end = buffer_.find('\n');
        if (end != std::string::npos) {
            auto line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd descriptor{stdout_, POLLIN, 0};
        if (poll(&descriptor, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[65536];
        const auto got = read(stdout_, chunk, sizeof chunk);
        if (got <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::optional<std::string> ChildProcess::awaitLine(const std::string& text,
                                                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (auto line = readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
               deadline - std::chrono::steady_clock::now()))) {
        seen_.push_back(*line);
        if (line->find(text) != std::string::npos) return line;
    }
    return std::nullopt;
}

std::string ChildProcess::output(std::chrono::milliseconds timeout) {
    std::string all;
    while (auto line = readLine(timeout)) all += *line + "\n";
    return all + std::exchange(buffer_, {});
}

bool ChildProcess::reapedWithin(std::chrono::milliseconds timeout, int& status) {
    if (pid_ <= 0) return true;
    pollfd ended{exited_, POLLIN, 0};
    if (poll(&ended, 1, static_cast<int>(timeout.count())) <= 0) return false;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return true;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    // Standard output closes when the program ends (or hands it on).
    output(timeout);
    int status = -1;
    if (!reapedWithin(timeout, status) || !WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

void ChildProcess::stop() {
    int status = 0;
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    kill(pid_, SIGCONT);
    if (!reapedWithin(std::chrono::seconds(2), status)) {
        kill(pid_, SIGKILL);
        reapedWithin(std::chrono::milliseconds(-1), status);  // no limit: it cannot refuse
    }
}

}  // namespace varnic::testing
