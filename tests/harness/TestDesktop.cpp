#include "tests/harness/TestDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace varnic::testing {

TestDesktop::TestDesktop(const std::string& name) {
    // /tmp means the same inside a chroot of the Debian 13 root and out.
    const char* base = std::getenv("VARNIC_SESSION_DIR");
    auto pattern = std::string(base && *base ? base : "/tmp") + "/" + name + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp " + pattern);
    directory_ = pattern;
}

TestDesktop::~TestDesktop() {
    clients_.clear();
    if (desktop_) desktop_->stop();
    if (!::testing::Test::HasFailure()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
        return;
    }
    if (desktop_) {
        for (const auto& line : desktop_->seen()) std::cerr << "desktop: " << line << "\n";
    }
    std::cerr << std::ifstream(directory_ + "/clients.log").rdbuf() << "\nlogs kept in "
              << directory_ << std::endl;
}

std::string TestDesktop::startDesktop(const std::vector<std::string>& argv,
                                      const std::vector<std::string>& environment,
                                      const std::string& announcement,
                                      std::chrono::seconds timeout) {
    desktop_ = std::make_unique<ChildProcess>(argv, environment, directory_ + "/desktop.log");
    auto line = desktop_->awaitLine(announcement, timeout);
    if (!line) throw std::runtime_error(argv[0] + " did not start; see " + directory_);
    return *line;
}

ChildProcess& TestDesktop::start(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment) {
    return *clients_.emplace_back(spawn(argv, environment));
}

std::unique_ptr<ChildProcess> TestDesktop::spawn(const std::vector<std::string>& argv,
                                                 const std::vector<std::string>& environment) {
    auto env = environment_;
    env.insert(env.end(), environment.begin(), environment.end());
    return std::make_unique<ChildProcess>(argv, env, directory_ + "/clients.log");
}

std::string TestDesktop::run(const std::vector<std::string>& argv) {
    return spawn(argv)->output(10s);
}

bool TestDesktop::waitUntil(const std::function<bool()>& condition,
                            std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

}  // namespace varnic::testing
