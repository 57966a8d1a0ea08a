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
                 const std::string& logFile, bool extraFd3 = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // One line of stdout (or of fd 3 when asked for), absent when none came in time.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout, bool fromFd3 = false);
    void signal(int number);
    void stop();
    bool running();

  private:
    std::optional<std::string> readLineFrom(int fd, std::string& buffer,
                                            std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int stdout_ = -1;
    int fd3_ = -1;
    std::string stdoutBuffer_;
    std::string fd3Buffer_;
};

}  // namespace varnic::testing
