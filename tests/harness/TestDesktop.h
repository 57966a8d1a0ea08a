#pragma once

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "tests/harness/ChildProcess.h"

namespace varnic::testing {

using namespace std::chrono_literals;

// What every private desktop of a test shares: a folder for its logs (in the
// runner's folder when there is one), the display server, compositor or
// window manager, which names itself on its standard output once it is up,
// its clients with the session's environment, and bounded waits. Everything
// started here is ended by pid when the session goes; the folder stays when a
// test failed.
class TestDesktop {
  public:
    explicit TestDesktop(const std::string& name);
    virtual ~TestDesktop();
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    // Starts the desktop; the first line of its output holding announcement.
    std::string startDesktop(const std::vector<std::string>& argv,
                             const std::vector<std::string>& environment,
                             const std::string& announcement, std::chrono::seconds timeout = 30s);
    ChildProcess& desktop() { return *desktop_; }
    const std::string& logDirectory() const { return directory_; }
    // The environment of this session's clients ("NAME=value").
    std::vector<std::string> environment() const { return environment_; }
    // A client of this desktop, with extra environment ("NAME=value").
    ChildProcess& start(const std::vector<std::string>& argv,
                        const std::vector<std::string>& environment = {});
    std::unique_ptr<ChildProcess> spawn(const std::vector<std::string>& argv,
                                        const std::vector<std::string>& environment = {});
    // The whole standard output of a tool run in this session.
    std::string run(const std::vector<std::string>& argv);
    // Polls the condition until it holds; false after the timeout.
    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout = 10s);

  protected:
    std::vector<std::string> environment_;

  private:
    std::string directory_;
    std::unique_ptr<ChildProcess> desktop_;
    std::list<std::unique_ptr<ChildProcess>> clients_;
};

}  // namespace varnic::testing
