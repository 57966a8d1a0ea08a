// Property readers against what hostile or broken clients put into properties.
#include <gtest/gtest.h>

#include "platform/x11/PropertyParsing.h"

namespace varnic {
namespace {

TEST(PropertyParsing, Placeholder) {
    EXPECT_EQ(property::validUtf8("a"), "a");
}

}  // namespace
}  // namespace varnic
