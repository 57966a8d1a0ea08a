// XDG autostart against a temporary XDG_CONFIG_HOME: the entry written,
// checked by desktop-file-validate and started by GLib's launcher where present.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"
#include "platform/xdg/XdgAutostart.h"

namespace varnic {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) result.output += buffer;
    result.status = ::pclose(pipe);
    return result;
}

bool haveCommand(const std::string& name) {
    return run("command -v " + name + " >/dev/null").status == 0;
}

// The environment variable as it was, put back when the test ends.
struct SavedVariable {
    explicit SavedVariable(const char* name) : name(name) {
        if (const char* set = std::getenv(name)) value = set;
    }
    ~SavedVariable() { value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> value;
};

// Why a file cannot be created in folder (an errno value), 0 when it can.
int creationBlocked(const fs::path& folder) {
    const auto probe = folder / "probe";
    const int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0) return errno;
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

bool setImmutable(const fs::path& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

class XdgAutostartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varnic-xdg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        config = root / "config";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        entry = config / "autostart" / "varnic.desktop";
    }

    void TearDown() override {
        for (const auto& folder : locked) {
            setImmutable(folder, false);
            fs::permissions(folder, fs::perms::owner_all);
        }
        fs::remove_all(root);
    }

    // An executable that records the name it was started under in root/launched.
    fs::path program(const std::string& folder) {
        const auto path = root / "bin" / folder / "varnic";
        fs::create_directories(path.parent_path());
        writeFile(path,
                  "#!/bin/sh\nprintf '%s' \"$0\" > " + shellQuoted(launched().string()) + "\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    fs::path launched() const { return root / "launched"; }

    // Makes folder refuse new files; absent when this process can write anyway.
    std::optional<int> lockFolder(const fs::path& folder) {
        locked.push_back(folder);
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        // Root writes through permission bits; an immutable folder stops it too.
        if (creationBlocked(folder) == 0) setImmutable(folder, true);
        const int blocked = creationBlocked(folder);
        return blocked == 0 ? std::nullopt : std::optional(blocked);
    }

    std::vector<std::string> autostartFiles() const {
        std::vector<std::string> names;
        for (const auto& file : fs::directory_iterator(entry.parent_path())) {
            names.push_back(file.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> execArguments() const {
        std::string reason;
        const auto parsed = DesktopEntry::parse(readFile(entry), reason);
        EXPECT_TRUE(parsed) << reason;
        if (!parsed || !parsed->value("Exec")) return {};
        return desktopexec::split(*parsed->value("Exec")).value_or(std::vector<std::string>{});
    }

    SavedVariable savedConfig{"XDG_CONFIG_HOME"};
    SavedVariable savedHome{"HOME"};
    fs::path root;
    fs::path config;
    fs::path entry;
    std::vector<fs::path> locked;
    std::string error;
};

TEST_F(XdgAutostartTest, RegisterWritesAValidEntryAndUnregisterRemovesIt) {
    XdgAutostart autostart(program("plain"));
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(XdgAutostart::entryPath(), entry);

    ASSERT_TRUE(autostart.registerItem(error)) << error;
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled) << "the missing folder was created";
    const auto validation = run("desktop-file-validate " + shellQuoted(entry.string()));
    EXPECT_EQ(validation.status, 0) << validation.output;
    EXPECT_EQ(validation.output, "") << "not even a hint";
    const auto text = readFile(entry);
    EXPECT_THAT(text, HasSubstr("\nType=Application\n"));
    EXPECT_THAT(text, HasSubstr("\nName=Varnic\n"));
    EXPECT_THAT(execArguments(), ElementsAre((root / "bin/plain/varnic").string()));

    ASSERT_TRUE(autostart.registerItem(error)) << "our own entry is replaced: " << error;
    ASSERT_TRUE(autostart.unregisterItem(error)) << error;
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_TRUE(autostart.unregisterItem(error)) << "nothing to remove is no failure";
}

TEST_F(XdgAutostartTest, AwkwardProgramPathsStartAsThemselves) {
    const bool glib = haveCommand("gio");
    for (const std::string folder : {"with space", "it's \"quoted\"", "100%", "$HOME and `id`",
                                     "back\\slash", "ü é", "a;b&c|d>e<f*?#()~"}) {
        SCOPED_TRACE(folder);
        const auto path = program(folder);
        XdgAutostart autostart(path);
        ASSERT_TRUE(autostart.registerItem(error)) << error;
        const auto validation = run("desktop-file-validate " + shellQuoted(entry.string()));
        EXPECT_EQ(validation.status, 0) << validation.output;
        EXPECT_THAT(execArguments(), ElementsAre(path.string()));
        EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);

        // GLib looks the program up before undoing %%, so it refuses such paths
        // although the Desktop Entry Specification allows them.
        if (!glib || folder.find('%') != std::string::npos) continue;
        fs::remove(launched());
        const auto launch = run("gio launch " + shellQuoted(entry.string()));
        ASSERT_EQ(launch.status, 0) << launch.output;
        for (int wait = 0; wait < 100 && readFile(launched()).empty(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_EQ(readFile(launched()), path.string()) << "the program GLib started";
    }
    if (!glib) GTEST_SKIP() << "gio (libglib2.0-bin) is not installed: launching was not tried";
}

TEST_F(XdgAutostartTest, ReplacingSwapsInANewFile) {
    const auto first = program("first");
    ASSERT_TRUE(XdgAutostart(first).registerItem(error)) << error;
    const auto before = readFile(entry);
    const auto oldFile = root / "old";
    fs::create_hard_link(entry, oldFile);

    ASSERT_TRUE(XdgAutostart(program("second")).registerItem(error)) << error;
    EXPECT_EQ(readFile(oldFile), before) << "the old file was never rewritten in place";
    EXPECT_THAT(execArguments(), ElementsAre((root / "bin/second/varnic").string()));
    EXPECT_THAT(autostartFiles(), ElementsAre("varnic.desktop")) << "no temporary file is left";
}

TEST_F(XdgAutostartTest, ReadOnlyFolderLeavesTheEntryAsItWas) {
    XdgAutostart autostart(program("plain"));
    ASSERT_TRUE(autostart.registerItem(error)) << error;
    const auto before = readFile(entry);
    const auto blocked = lockFolder(entry.parent_path());
    if (!blocked) GTEST_SKIP() << "this process writes into read-only and immutable folders";

    EXPECT_FALSE(XdgAutostart(program("other")).registerItem(error));
    EXPECT_EQ(error, "Could not write " + entry.string() + ": " + std::strerror(*blocked));
    EXPECT_FALSE(autostart.unregisterItem(error));
    EXPECT_EQ(error, "Could not remove " + entry.string() + ": " + std::strerror(*blocked));
    EXPECT_EQ(readFile(entry), before);
    EXPECT_THAT(autostartFiles(), ElementsAre("varnic.desktop"));
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);

    // A configuration folder that cannot take the autostart folder.
    const auto bare = root / "bare";
    fs::create_directories(bare);
    const auto blockedBare = lockFolder(bare);
    ASSERT_TRUE(blockedBare);
    ::setenv("XDG_CONFIG_HOME", bare.c_str(), 1);
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error, "Could not create " + (bare / "autostart").string() + ": " +
                         std::strerror(*blockedBare));
}

TEST_F(XdgAutostartTest, DirectoryInTheWayIsReportedAndKept) {
    fs::create_directories(entry);
    XdgAutostart autostart(program("plain"));
    EXPECT_EQ(autostart.status(), LoginItemStatus::notFound);
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error, "Could not write " + entry.string() + ": Is a directory");
    EXPECT_FALSE(autostart.unregisterItem(error));
    EXPECT_EQ(error, "Could not remove " + entry.string() + ": Is a directory");
    EXPECT_TRUE(fs::is_directory(entry));
}

TEST_F(XdgAutostartTest, ForeignAndBrokenFilesAreLeftAlone) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"[Desktop Entry]\nType=Application\nName=Varnic\nExec=varnic\n",
         "the file there was not made by Varnic"},
        {"<html>not an entry</html>\n",
         "the file there is not a valid desktop entry (line 1 is neither"},
        {"[Desktop Entry]\nX-Varnic-Managed=true\n" + std::string(70000, '#') + "\n",
         "the file there is not a valid desktop entry (it is larger than 64 KiB)"},
    };
    XdgAutostart autostart(program("plain"));
    fs::create_directories(entry.parent_path());
    for (const auto& [text, reason] : cases) {
        SCOPED_TRACE(reason);
        writeFile(entry, text);
        EXPECT_EQ(autostart.status(), LoginItemStatus::notFound);
        EXPECT_FALSE(autostart.registerItem(error));
        EXPECT_THAT(error, HasSubstr("Could not write " + entry.string() + ": " + reason));
        EXPECT_THAT(error, HasSubstr("left as it is"));
        EXPECT_FALSE(autostart.unregisterItem(error));
        EXPECT_THAT(error, HasSubstr("Could not remove " + entry.string() + ": " + reason));
        EXPECT_EQ(readFile(entry), text);
    }
}

TEST_F(XdgAutostartTest, OurEntryThatWouldNotStartIsNotFoundUntilRegisteredAgain) {
    const auto path = program("plain");
    XdgAutostart autostart(path);
    ASSERT_TRUE(autostart.registerItem(error)) << error;
    const auto written = readFile(entry);
    for (const std::string extra : {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n"}) {
        SCOPED_TRACE(extra);
        auto text = written;
        text.replace(text.find("X-GNOME-Autostart-enabled=true\n"),
                     std::strlen("X-GNOME-Autostart-enabled=true\n"), extra);
        writeFile(entry, text);
        EXPECT_EQ(autostart.status(), LoginItemStatus::notFound);
        ASSERT_TRUE(autostart.registerItem(error)) << "our own entry may be repaired: " << error;
        EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);
    }

    fs::remove(path);
    EXPECT_EQ(autostart.status(), LoginItemStatus::notFound) << "the program has gone";
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error, "Could not register " + path.string() +
                         " to start at login: it is not an executable file");
    EXPECT_TRUE(autostart.unregisterItem(error)) << "our stale entry can still be removed";
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(XdgAutostartTest, ProgramsThatCannotBeWrittenAreRefused) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"relative/varnic", "the path is not absolute"},
        {"/tmp/new\nline/varnic", "the path contains control characters"},
        {"/tmp/\xff\xfe/varnic", "the path is not valid UTF-8"},
    };
    for (const auto& [path, reason] : cases) {
        EXPECT_FALSE(XdgAutostart(path).registerItem(error));
        EXPECT_EQ(error, "Could not register " + path + " to start at login: " + reason);
    }
    EXPECT_FALSE(fs::exists(entry.parent_path())) << "nothing was created";
}

TEST_F(XdgAutostartTest, LocationFollowsTheEnvironment) {
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(XdgAutostart::entryPath(), root / ".config/autostart/varnic.desktop")
        << "a relative XDG_CONFIG_HOME is ignored";

    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    XdgAutostart autostart(program("plain"));
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error,
              "Could not find the autostart folder: neither XDG_CONFIG_HOME nor HOME is set");
}

}  // namespace
}  // namespace varnic
