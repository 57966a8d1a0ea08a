#include "platform/xdg/XdgAutostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/xdg/AutostartFailure.h"
#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"
#include "support/Utf8.h"

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
    std::string reason;  // why it is unreadable
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
    if (!entry) return {Found::broken, {}, std::nullopt};
    const bool ours = entry->value(managedKey) == "true";
    return {ours ? Found::ours : Found::foreign, {}, std::move(entry)};
}

Existing inspect(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        return {Found::unreadable, errnoText(errno), std::nullopt};
    }
    if (!S_ISREG(info.st_mode)) return {Found::notAFile, {}, std::nullopt};
    if (info.st_size > largestEntry) return {Found::broken, {}, std::nullopt};
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
std::optional<std::string> refusal(const Existing& existing) {
    switch (existing.found) {
        case Found::absent:
        case Found::ours:
            return std::nullopt;
        case Found::foreign:
            return failureText(AutostartFailure::foreignEntry);
        case Found::broken:
            return failureText(AutostartFailure::brokenEntry);
        case Found::notAFile:
            return failureText(AutostartFailure::entryNotAFile);
        case Found::unreadable:
            return failureText(AutostartFailure::entryUnreadable, existing.reason);
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

// Desktop entries are UTF-8 without control characters; a path outside that
// cannot be written as an Exec value that every desktop reads the same way.
std::optional<AutostartFailure> programProblem(const fs::path& program) {
    const auto& text = program.native();
    if (!program.is_absolute()) return AutostartFailure::programNotAbsolute;
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
        return AutostartFailure::programHasControls;
    }
    if (!utf8::isValid(text)) return AutostartFailure::programNotUtf8;
    if (!isExecutableFile(program)) return AutostartFailure::programNotExecutable;
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
        error = failureText(AutostartFailure::entryNotWritten, errnoText(problem));
        return false;
    }
    syncFolder(target.parent_path());
    return true;
}

bool createFolder(const fs::path& folder, std::string& error) {
    std::error_code code;
    fs::create_directories(folder, code);
    if (!code) return true;
    error = failureText(AutostartFailure::folderNotCreated, code.message());
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
        error = failureText(AutostartFailure::noFolder);
        return false;
    }
    if (auto problem = programProblem(executable_)) {
        error = failureText(*problem);
        return false;
    }
    if (auto refused = refusal(inspect(*path))) {
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
    if (auto refused = refusal(existing)) {
        error = std::move(*refused);
        return false;
    }
    if (::unlink(path->c_str()) != 0) {
        error = failureText(AutostartFailure::entryNotRemoved, errnoText(errno));
        return false;
    }
    syncFolder(path->parent_path());
    return true;
}

}  // namespace varnic
