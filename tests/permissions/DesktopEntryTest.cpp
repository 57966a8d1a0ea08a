// Reading desktop entries and their Exec lines, against lines written by hand
// the way the Desktop Entry Specification and common desktops write them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The program arguments a desktop would start from this Exec line.
std::optional<std::vector<std::string>> execOf(const std::string& line) {
    std::string reason;
    const auto entry = DesktopEntry::parse("[Desktop Entry]\nExec=" + line + "\n", reason);
    return entry ? desktopexec::split(*entry->value("Exec")) : std::nullopt;
}

TEST(DesktopEntry, ReadsTheMainGroupAndRefusesWhatIsNoEntry) {
    std::string reason;
    const auto entry = DesktopEntry::parse(
        "# comment\n\n[Desktop Entry]\nName = Varnic\nName[de]=DE\nComment=\\sa\\tb\\\\c\n"
        "[Desktop Action New]\nName=Other\n",
        reason);
    ASSERT_TRUE(entry) << reason;
    EXPECT_EQ(entry->value("Name"), "Varnic") << "spaces around = are not part of the value";
    EXPECT_EQ(entry->value("Comment"), " a\tb\\c");

    const std::vector<std::pair<std::string, std::string>> broken{
        {"Name=Varnic\n[Desktop Entry]\n", "line 1 has a key before any group"},
        {"[Other]\n[Desktop Entry]\n", "the first group is [Other], not [Desktop Entry]"},
        {"[Desktop Entry]\nExec=a\nExec=b\n", "line 3 repeats the key Exec"},
        {"[Desktop Entry]\nBad Key=1\n", "line 2 is neither"},
        {std::string("[Desktop Entry]\nName=a\0b\n", 26), "line 2 contains a control character"},
    };
    for (const auto& [text, expected] : broken) {
        EXPECT_FALSE(DesktopEntry::parse(text, reason)) << text;
        EXPECT_THAT(reason, HasSubstr(expected)) << text;
    }
}

TEST(DesktopExec, SplitsLinesAsDesktopsWriteThem) {
    EXPECT_THAT(*execOf("\"/opt/my app/varnic\" %U"), ElementsAre("/opt/my app/varnic"))
        << "a field code standing alone disappears";
    EXPECT_THAT(*execOf("foo  --x=%% \"\""), ElementsAre("foo", "--x=%", ""));
    EXPECT_THAT(*execOf(R"("a \\"q\\" \\$HOME \\`x\\`")"), ElementsAre("a \"q\" $HOME `x`"));
    EXPECT_THAT(*execOf(R"("C:\\\\dir")"), ElementsAre("C:\\dir"))
        << "four backslashes in the file are one in the argument";
    for (const std::string malformed : {"\"unterminated", "foo %", "foo %1"}) {
        EXPECT_EQ(execOf(malformed), std::nullopt) << malformed;
    }
}

}  // namespace
}  // namespace varnic
