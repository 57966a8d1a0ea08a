// Reading desktop entries and their Exec lines, against hand-written files as
// the Desktop Entry Specification and common desktops write them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Arguments = std::vector<std::string>;

// The program arguments a desktop would start from the Exec line of text.
std::optional<Arguments> execOf(const std::string& text) {
    std::string reason;
    const auto entry = DesktopEntry::parse("[Desktop Entry]\nExec=" + text + "\n", reason);
    if (!entry) return std::nullopt;
    return desktopexec::split(*entry->value("Exec"));
}

TEST(DesktopEntry, ReadsTheMainGroupAndIgnoresTheRest) {
    std::string reason;
    const auto entry = DesktopEntry::parse(
        "# comment first\n\n[Desktop Entry]\nName = Varnic\nName[de]=Varnic DE\n"
        "Comment=\\sleading\\tand\\\\back\nEmpty=\n[Desktop Action New]\nName=Other\n",
        reason);
    ASSERT_TRUE(entry) << reason;
    EXPECT_EQ(entry->value("Name"), "Varnic") << "spaces around = are not part of the value";
    EXPECT_EQ(entry->value("Comment"), " leading\tand\\back");
    EXPECT_EQ(entry->value("Empty"), "");
    EXPECT_EQ(entry->value("Name[de]"), std::nullopt) << "localised keys are not read";
    EXPECT_EQ(entry->value("Missing"), std::nullopt);
}

TEST(DesktopEntry, RefusesWhatIsNotADesktopEntry) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "there is no [Desktop Entry] group"},
        {"Name=Varnic\n[Desktop Entry]\n", "line 1 has a key before any group"},
        {"[Other]\nA=b\n[Desktop Entry]\n", "the first group is [Other], not [Desktop Entry]"},
        {"[Desktop Entry]\nExec=a\nExec=b\n", "line 3 repeats the key Exec"},
        {"[Desktop Entry]\nthis is prose\n", "line 2 is neither"},
        {"[Desktop Entry]\nBad Key=1\n", "line 2 is neither"},
        {"[Desktop Entry\n", "line 1 is not a valid group header"},
        {std::string("[Desktop Entry]\nName=a\0b\n", 26), "line 2 contains a control character"},
        {"[Desktop Entry]\n[Desktop Entry]\n", "line 2 repeats the [Desktop Entry] group"},
    };
    for (const auto& [text, expected] : cases) {
        std::string reason;
        EXPECT_FALSE(DesktopEntry::parse(text, reason)) << text;
        EXPECT_THAT(reason, HasSubstr(expected)) << text;
    }
}

TEST(DesktopEntry, EscapedValuesReadBackUnchanged) {
    for (const std::string value : {" leading space", "back\\slash\\\\", "line\nfeed", "tab\t",
                                    "trailing ", "", "\\s is literal"}) {
        std::string reason;
        const auto entry =
            DesktopEntry::parse("[Desktop Entry]\nKey=" + DesktopEntry::escape(value), reason);
        ASSERT_TRUE(entry) << reason;
        EXPECT_EQ(entry->value("Key"), value);
    }
}

TEST(DesktopExec, SplitsLinesAsDesktopsWriteThem) {
    EXPECT_THAT(*execOf("/usr/bin/varnic"), ElementsAre("/usr/bin/varnic"));
    EXPECT_THAT(*execOf("\"/opt/my app/varnic\" %U"), ElementsAre("/opt/my app/varnic"))
        << "a field code standing alone disappears";
    EXPECT_THAT(*execOf("foo  --x=%% -y"), ElementsAre("foo", "--x=%", "-y"));
    EXPECT_THAT(*execOf(R"("a \\"q\\" \\$HOME \\`x\\`")"), ElementsAre("a \"q\" $HOME `x`"))
        << "quotes, dollars and backticks escaped inside double quotes";
    EXPECT_THAT(*execOf(R"("C:\\\\dir")"), ElementsAre("C:\\dir"))
        << "four backslashes in the file are one in the argument";
    EXPECT_THAT(*execOf("\"\" x"), ElementsAre("", "x")) << "an empty quoted argument stays";

    for (const std::string malformed : {"\"unterminated", "foo %", "foo %1"}) {
        EXPECT_EQ(execOf(malformed), std::nullopt) << malformed;
    }
}

TEST(DesktopExec, QuotedProgramsSplitBackToThemselves) {
    for (const std::string program :
         {"/usr/bin/varnic", "/opt/my app/varnic", "/tmp/it's \"quoted\"", "/tmp/100%/v",
          "/tmp/$HOME/`id`/v", "/tmp/back\\slash/v", "/tmp/ümlaut é/v",
          "/tmp/a;b&c|d>e<f*?#()/v"}) {
        std::string reason;
        const auto entry = DesktopEntry::parse(
            "[Desktop Entry]\nExec=" + DesktopEntry::escape(desktopexec::quoteProgram(program)),
            reason);
        ASSERT_TRUE(entry) << reason;
        EXPECT_THAT(*desktopexec::split(*entry->value("Exec")), ElementsAre(program));
    }
}

}  // namespace
}  // namespace varnic
