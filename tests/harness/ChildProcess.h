#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace varnic::testing {

// A process the tests started. It is ended (SIGTERM, then SIGKILL) by its
// pid when the object goes, also when a test fails half way.
class ChildProcess {
  public:
    // Runs argv with the extra environment entries ("NAME=value"); its stdout
    // goes to a pipe the test can read, stderr to the log file.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::string& logFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // One line of stdout, absent when none came in time.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    // The next line containing text, within the timeout; every line read on
    // the way stays in seen(), for a failure's report.
    std::optional<std::string> awaitLine(const std::string& text,
                                         std::chrono::milliseconds timeout);
    const std::vector<std::string>& seen() const { return seen_; }
    // All of stdout until the program closes it (each line within the timeout).
    std::string output(std::chrono::milliseconds timeout);
    void stop();
    // The exit status once the process ends within the timeout (it is then
    // reaped); absent when it is still running or was killed by a signal.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

  private:
    // True once the process has ended within the timeout and is reaped.
    bool reapedWithin(std::chrono::milliseconds timeout, int& status);

    pid_t pid_ = -1;
    int exited_ = -1;  // the pidfd, readable once the process has ended
    int stdout_ = -1;
    std::string buffer_;
    std::vector<std::string> seen_;
};

}  // namespace varnic::testing
