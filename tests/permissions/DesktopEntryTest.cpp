// Reading desktop entries and their Exec lines, against lines written by hand
// the way the Desktop Entry Specification and common desktops write them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/xdg/DesktopEntry.h"
#include "platform/xdg/DesktopExec.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;

TEST(DesktopEntry, ReadsTheMainGroupAndItsExecLineAndRefusesWhatIsNoEntry) {
    std::string reason;
    const auto entry = DesktopEntry::parse(
        "# comment\n\n[Desktop Entry]\nName = Varnic\nName[de]=DE\nComment=\\sa\\tb\\\\c\n"
        "Exec=\"/opt/my app/varnic\" --x=%% \"\" %U\n[Desktop Action New]\nName=Other\n",
        reason);
    ASSERT_TRUE(entry) << reason;
    EXPECT_EQ(entry->value("Name"), "Varnic") << "spaces around = are not part of the value";
    EXPECT_EQ(entry->value("Comment"), " a\tb\\c");
    EXPECT_THAT(*desktopexec::split(*entry->value("Exec")),
                ElementsAre("/opt/my app/varnic", "--x=%", ""))
        << "a field code standing alone disappears";
    using namespace std::string_literals;
    for (const auto& broken :
         {"Name=Varnic\n[Desktop Entry]\n"s, "[Other]\n[Desktop Entry]\n"s,
          "[Desktop Entry]\nExec=a\nExec=b\n"s, "[Desktop Entry]\nName=a\0b\n"s}) {
        EXPECT_FALSE(DesktopEntry::parse(broken, reason)) << broken;
    }
    for (const std::string malformed : {"\"unterminated", "foo %", "foo %1"}) {
        EXPECT_EQ(desktopexec::split(malformed), std::nullopt) << malformed;
    }
}

}  // namespace
}  // namespace varnic
