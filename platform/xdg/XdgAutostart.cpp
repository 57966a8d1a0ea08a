#include "platform/xdg/XdgAutostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"

namespace varnic {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view entryName = "varnic.desktop";
// Hidden and without the .desktop ending, so that no desktop ever starts a half-written file.
constexpr std::string_view temporaryPattern = ".varnic.desktop.XXXXXX";
constexpr std::string_view managedKey = "X-Varnic-Managed";
// An entry is a dozen lines; anything far larger is not one of ours.
constexpr off_t largestEntry = off_t{64} * 1024;

std::string errnoText(int code) {
    return std::generic_category().message(code);
}

// What lies at the entry's place.
enum class Found { absent, ours, foreign, broken, notAFile, unreadable };

struct Existing {
    Found found = Found::absent;
    std::string detail;
    std::optional<DesktopEntry> entry;
};

std::optional<fs::path> absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value != '/') return std::nullopt;
    return fs::path(value);
}

bool readAll(int fd, std::string& text, int& problem) {
    char buffer[4096];
    while (true) {
        const auto count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) return true;
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            problem = errno;
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

Existing classify(std::string_view text) {
    std::string reason;
    auto entry = DesktopEntry::parse(text, reason);
    if (!entry) return {Found::broken, reason, std::nullopt};
    const bool ours = entry->value(managedKey) == "true";
    return {ours ? Found::ours : Found::foreign, {}, std::move(entry)};
}

Existing inspect(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        return {Found::unreadable, errnoText(errno), std::nullopt};
    }
    if (S_ISDIR(info.st_mode)) return {Found::notAFile, errnoText(EISDIR), std::nullopt};
    if (!S_ISREG(info.st_mode)) return {Found::notAFile, "not a regular file", std::nullopt};
    if (info.st_size > largestEntry) {
        return {Found::broken, "it is larger than 64 KiB", std::nullopt};
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {Found::unreadable, errnoText(errno), std::nullopt};
    std::string text;
    int problem = 0;
    const bool read = readAll(fd, text, problem);
    ::close(fd);
    if (!read) return {Found::unreadable, errnoText(problem), std::nullopt};
    return classify(text);
}

// Why a file that is there may not be replaced or removed; absent when it may.
std::optional<std::string> refusal(const Existing& existing, const fs::path& path,
                                   std::string_view verb) {
    const auto prefix = "Could not " + std::string(verb) + " " + path.string() + ": ";
    const std::string advice =
        " and was left as it is; remove it to let Varnic manage start at login";
    switch (existing.found) {
        case Found::absent:
        case Found::ours:
            return std::nullopt;
        case Found::foreign:
            return prefix + "the file there was not made by Varnic" + advice;
        case Found::broken:
            return prefix + "the file there is not a valid desktop entry (" + existing.detail +
                   ")" + advice;
        case Found::notAFile:
            return prefix + existing.detail;
        case Found::unreadable:
            return "Could not read " + path.string() + ": " + existing.detail;
    }
    return std::nullopt;
}

bool isExecutableFile(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// A desktop starts the entry when it is of type Application, not hidden or
// switched off (XDG Autostart Specification) and its program is there.
bool isUsable(const DesktopEntry& entry) {
    if (entry.value("Type") != "Application" || entry.value("Hidden") == "true" ||
        entry.value("X-GNOME-Autostart-enabled") == "false") {
        return false;
    }
    const auto exec = entry.value("Exec");
    const auto arguments = exec ? desktopexec::split(*exec) : std::nullopt;
    return arguments && !arguments->empty() && fs::path(arguments->front()).is_absolute() &&
           isExecutableFile(arguments->front());
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : lead >> 5 == 0x6  ? 2
                                   : lead >> 4 == 0xe  ? 3
                                   : lead >> 3 == 0x1e ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

// Desktop entries are UTF-8 without control characters; a path outside that
// cannot be written as an Exec value that every desktop reads the same way.
std::optional<std::string> programProblem(const fs::path& program) {
    const auto& text = program.native();
    if (!program.is_absolute()) return "the path is not absolute";
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
        return "the path contains control characters";
    }
    if (!isValidUtf8(text)) return "the path is not valid UTF-8";
    if (!isExecutableFile(program)) return "it is not an executable file";
    return std::nullopt;
}

std::string entryText(const fs::path& program) {
    return "# Written by Varnic to start it at login; switch it off in Varnic's panel.\n"
           "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Varnic\n"
           "Comment=Resize a window to an exact size\n"
           "Exec=" +
           DesktopEntry::escape(desktopexec::quoteProgram(program.native())) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n" +
           std::string(managedKey) + "=true\n";
}

int writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const auto count = ::write(fd, text.data(), text.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        text.remove_prefix(static_cast<std::size_t>(count));
    }
    return 0;
}

// Best effort: the rename has happened; this only makes it survive a crash.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A reader sees the old entry or the new one, never a part: the text goes to
// a temporary file in the same folder, reaches the disk, then replaces it.
bool writeAtomically(const fs::path& target, std::string_view text, std::string& error) {
    auto temporary = (target.parent_path() / temporaryPattern).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    int problem = fd < 0 ? errno : 0;
    if (fd >= 0) {
        problem = writeAll(fd, text);
        if (problem == 0 && ::fchmod(fd, 0644) != 0) problem = errno;
        if (problem == 0 && ::fsync(fd) != 0) problem = errno;
        if (::close(fd) != 0 && problem == 0) problem = errno;
        if (problem == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) problem = errno;
        if (problem != 0) ::unlink(temporary.c_str());
    }
    if (problem != 0) {
        error = "Could not write " + target.string() + ": " + errnoText(problem);
        return false;
    }
    syncFolder(target.parent_path());
    return true;
}

bool createFolder(const fs::path& folder, std::string& error) {
    std::error_code code;
    fs::create_directories(folder, code);
    if (!code) return true;
    error = "Could not create " + folder.string() + ": " + code.message();
    return false;
}

}  // namespace

XdgAutostart::XdgAutostart(fs::path executable) : executable_(std::move(executable)) {}

std::optional<fs::path> XdgAutostart::entryPath() {
    // XDG Base Directory Specification: a relative XDG_CONFIG_HOME is ignored.
    auto config = absoluteVariable("XDG_CONFIG_HOME");
    if (!config) {
        const auto home = absoluteVariable("HOME");
        if (!home) return std::nullopt;
        config = *home / ".config";
    }
    return *config / "autostart" / entryName;
}

LoginItemStatus XdgAutostart::status() {
    const auto path = entryPath();
    if (!path) return LoginItemStatus::notRegistered;
    const auto existing = inspect(*path);
    switch (existing.found) {
        case Found::absent:
            return LoginItemStatus::notRegistered;
        case Found::ours:
            return isUsable(*existing.entry) ? LoginItemStatus::enabled : LoginItemStatus::notFound;
        default:
            return LoginItemStatus::notFound;
    }
}

bool XdgAutostart::registerItem(std::string& error) {
    const auto path = entryPath();
    if (!path) {
        error = "Could not find the autostart folder: neither XDG_CONFIG_HOME nor HOME is set";
        return false;
    }
    if (auto problem = programProblem(executable_)) {
        error = "Could not register " + executable_.string() + " to start at login: " + *problem;
        return false;
    }
    if (auto refused = refusal(inspect(*path), *path, "write")) {
        error = std::move(*refused);
        return false;
    }
    return createFolder(path->parent_path(), error) &&
           writeAtomically(*path, entryText(executable_), error);
}

bool XdgAutostart::unregisterItem(std::string& error) {
    const auto path = entryPath();
    // Without a folder nothing can be registered, so there is nothing to undo.
    if (!path) return true;
    const auto existing = inspect(*path);
    if (existing.found == Found::absent) return true;
    if (auto refused = refusal(existing, *path, "remove")) {
        error = std::move(*refused);
        return false;
    }
    if (::unlink(path->c_str()) != 0) {
        error = "Could not remove " + path->string() + ": " + errnoText(errno);
        return false;
    }
    syncFolder(path->parent_path());
    return true;
}

}  // namespace varnic
