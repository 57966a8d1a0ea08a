// XDG autostart against a temporary XDG_CONFIG_HOME: the entry written, checked
// by desktop-file-validate and read back the way a desktop reads Exec lines.
// Each test sets the variables it reads (ctest runs each in a process of its own).
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/xdg/AutostartFailure.h"
#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"
#include "platform/xdg/XdgAutostart.h"

namespace varnic {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::string readFile(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a shell command; its exit status, and its output in output.
int run(const std::string& command, std::string& output) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    return ::pclose(pipe);
}

class XdgAutostartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A name without quotes, so that commands can take its paths in single quotes.
        std::string pattern = (fs::temp_directory_path() / "varnic-xdg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        entry = root / "config/autostart/varnic.desktop";
    }

    void TearDown() override {
        std::string ignored;
        for (const auto& folder : locked) {
            run("chattr -i '" + folder.string() + "'", ignored);
            fs::permissions(folder, fs::perms::owner_all);
        }
        fs::remove_all(root);
    }

    fs::path program(const std::string& folder) {
        const auto path = root / "bin" / folder / "varnic";
        fs::create_directories(path.parent_path());
        writeFile(path, "#!/bin/sh\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    // Makes folder refuse new files (root ignores permission bits, not the immutable flag);
    // the errno a creation then meets, 0 when this process can write anyway.
    int lockFolder(const fs::path& folder) {
        locked.push_back(folder);
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        std::string ignored;
        if (::access(folder.c_str(), W_OK) == 0)
            run("chattr +i '" + folder.string() + "'", ignored);
        return ::access(folder.c_str(), W_OK) == 0 ? 0 : errno;
    }

    void expectValid() {
        std::string output;
        EXPECT_EQ(run("desktop-file-validate '" + entry.string() + "'", output), 0) << output;
        EXPECT_EQ(output, "") << "not even a hint";
    }

    // The Exec line's arguments, as a desktop reads them.
    std::vector<std::string> execArguments() {
        std::string reason;
        const auto parsed = DesktopEntry::parse(readFile(entry), reason);
        const auto exec = parsed ? parsed->value("Exec") : std::nullopt;
        return desktopexec::split(exec.value_or("")).value_or(std::vector<std::string>{reason});
    }

    std::size_t autostartFiles() const {
        return std::distance(fs::directory_iterator(entry.parent_path()), {});
    }

    fs::path root;
    fs::path entry;
    std::vector<fs::path> locked;
    std::string error;
};

// Each register replaces the entry atomically with a valid one whose Exec line
// a desktop reads back as the program's path, however awkward.
TEST_F(XdgAutostartTest, RegisterWritesAValidEntryReplacesItAtomicallyAndUnregisterRemovesIt) {
    const auto plain = program("plain");
    XdgAutostart autostart(plain);
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    ASSERT_TRUE(autostart.registerItem(error)) << error;
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled) << "the missing folder was created";
    const auto before = readFile(entry);
    fs::create_hard_link(entry, root / "old");
    for (const std::string folder :
         {"it's \"quoted\" 100%", "$HOME and `id`", "back\\slash ü", "a;b&c|d>e<f*?#()~"}) {
        SCOPED_TRACE(folder);
        const auto path = program(folder);
        ASSERT_TRUE(XdgAutostart(path).registerItem(error)) << error;
        expectValid();
        EXPECT_THAT(execArguments(), ElementsAre(path.string()));
    }
    EXPECT_EQ(readFile(root / "old"), before) << "the old file was never rewritten in place";
    EXPECT_EQ(autostartFiles(), 1u) << "no temporary file is left";

    // Our own entry that would not start is not found until registered again.
    writeFile(entry, readFile(entry) + "Hidden=true\n");
    EXPECT_EQ(autostart.status(), LoginItemStatus::notFound);
    ASSERT_TRUE(autostart.registerItem(error)) << "our own entry may be repaired: " << error;
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);
    fs::remove(plain);
    EXPECT_EQ(autostart.status(), LoginItemStatus::notFound) << "the program has gone";
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error, failureText(AutostartFailure::programNotExecutable));

    ASSERT_TRUE(autostart.unregisterItem(error)) << "our stale entry can still be removed";
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(autostart.unregisterItem(error)) << "nothing to remove is no failure";
}

TEST_F(XdgAutostartTest, UnwritableFoldersAndADirectoryInTheWayLeaveEverythingAsItWas) {
    fs::create_directories(entry);
    XdgAutostart autostart(program("plain"));
    EXPECT_EQ(autostart.status(), LoginItemStatus::notFound);
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error, failureText(AutostartFailure::entryNotAFile));
    EXPECT_TRUE(fs::is_directory(entry));

    fs::remove(entry);
    ASSERT_TRUE(autostart.registerItem(error)) << error;
    const auto before = readFile(entry);
    const int blocked = lockFolder(entry.parent_path());
    if (blocked == 0) GTEST_SKIP() << "this process writes into read-only and immutable folders";
    EXPECT_FALSE(XdgAutostart(program("other")).registerItem(error));
    EXPECT_EQ(error, failureText(AutostartFailure::entryNotWritten, std::strerror(blocked)));
    EXPECT_FALSE(autostart.unregisterItem(error));
    EXPECT_EQ(error, failureText(AutostartFailure::entryNotRemoved, std::strerror(blocked)));
    EXPECT_EQ(readFile(entry), before);
    EXPECT_EQ(autostartFiles(), 1u);

    // A configuration folder that cannot take the autostart folder.
    const auto bare = root / "bare";
    fs::create_directories(bare);
    const int blockedBare = lockFolder(bare);
    ::setenv("XDG_CONFIG_HOME", bare.c_str(), 1);
    EXPECT_FALSE(autostart.registerItem(error));
    EXPECT_EQ(error, failureText(AutostartFailure::folderNotCreated, std::strerror(blockedBare)));
}

TEST_F(XdgAutostartTest, ForeignAndBrokenFilesAreLeftAlone) {
    const std::vector<std::pair<std::string, AutostartFailure>> cases{
        {"[Desktop Entry]\nType=Application\nName=Varnic\nExec=varnic\n",
         AutostartFailure::foreignEntry},
        {"<html>not an entry</html>\n", AutostartFailure::brokenEntry},
        {"[Desktop Entry]\nX-Varnic-Managed=true\n" + std::string(70000, '#') + "\n",
         AutostartFailure::brokenEntry},
    };
    XdgAutostart autostart(program("plain"));
    fs::create_directories(entry.parent_path());
    for (const auto& [text, reason] : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        writeFile(entry, text);
        EXPECT_EQ(autostart.status(), LoginItemStatus::notFound);
        EXPECT_FALSE(autostart.registerItem(error));
        EXPECT_EQ(error, failureText(reason));
        EXPECT_FALSE(autostart.unregisterItem(error));
        EXPECT_EQ(readFile(entry), text);
    }
}

TEST_F(XdgAutostartTest, UnwritableProgramPathsAndAMissingHomeAreRefused) {
    const std::vector<std::pair<std::string, AutostartFailure>> cases{
        {"relative/varnic", AutostartFailure::programNotAbsolute},
        {"/tmp/new\nline/varnic", AutostartFailure::programHasControls},
        {"/tmp/\xc0\xaf/varnic", AutostartFailure::programNotUtf8},
    };
    for (const auto& [path, reason] : cases) {
        EXPECT_FALSE(XdgAutostart(path).registerItem(error));
        EXPECT_EQ(error, failureText(reason)) << path;
    }
    EXPECT_FALSE(fs::exists(entry.parent_path())) << "nothing was created";

    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(XdgAutostart::entryPath(), root / ".config/autostart/varnic.desktop")
        << "a relative XDG_CONFIG_HOME is ignored";
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    EXPECT_FALSE(XdgAutostart(program("plain")).registerItem(error));
    EXPECT_EQ(error, failureText(AutostartFailure::noFolder));
}

}  // namespace
}  // namespace varnic
