#include "platform/proc/ProcessInfo.h"

#include <filesystem>
#include <fstream>

#include "support/Utf8.h"

namespace varnic {
namespace {

std::filesystem::path procPath(Pid pid) {
    return "/proc/" + std::to_string(pid);
}

std::optional<std::string> canonicalPath(const std::filesystem::path& link) {
    std::error_code error;
    auto path = std::filesystem::canonical(link, error);
    if (error) return std::nullopt;
    return path.string();
}

}  // namespace

bool ProcessInfo::exists(Pid pid) {
    if (pid <= 0) return false;
    std::error_code error;
    return std::filesystem::is_directory(procPath(pid), error);
}

std::optional<std::string> ProcessInfo::commandName(Pid pid) {
    if (pid <= 0) return std::nullopt;
    std::ifstream file(procPath(pid) / "comm");
    std::string name;
    if (!std::getline(file, name) || name.empty()) return std::nullopt;
    return utf8::valid(name);
}

std::optional<std::string> ProcessInfo::executablePath(Pid pid) {
    if (pid <= 0) return std::nullopt;
    return canonicalPath(procPath(pid) / "exe");
}

std::optional<std::string> ProcessInfo::ownExecutablePath() {
    return canonicalPath("/proc/self/exe");
}

}  // namespace varnic
