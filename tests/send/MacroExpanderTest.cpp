#include <gtest/gtest.h>

#include "send/MacroExpander.h"

namespace tarnwick {
namespace {

TEST(MacroExpanderTest, ReplacesEveryMacroInOrder) {
    const StationData station{"K1ABC", "O", "FN42ab"};
    EXPECT_EQ(ExpandMacros("%T DE %M %M UR %R / %S %G", station, "DL0XX"),
              "DL0XX DE K1ABC K1ABC UR O / FN42 FN42ab");
    EXPECT_EQ(ExpandMacros("{%T DE %M}[R:90]{%R}[R:30]", station, "W1AW"),
              "{W1AW DE K1ABC}[R:90]{O}[R:30]");
}

TEST(MacroExpanderTest, LaterMacrosApplyToEarlierReplacements) {
    // The own call is replaced first, so a %R inside it becomes the report.
    EXPECT_EQ(ExpandMacros("%M", {"A%RB", "599", "JO"}, ""), "A599B");
    // But %T comes last: a call field holding %M stays as it is.
    EXPECT_EQ(ExpandMacros("%T", {"K1ABC", "O", "FN42"}, "%M"), "%M");
}

TEST(MacroExpanderTest, SelfReferenceShortGridAndLowerCase) {
    EXPECT_EQ(ExpandMacros("%M%M", {"%M", "", ""}, ""), "%M%M");
    EXPECT_EQ(ExpandMacros("%S|%G", {"", "", "FN4"}, ""), "FN4|FN4");
    EXPECT_EQ(ExpandMacros("%m %r %", {"X", "Y", ""}, ""), "%m %r %");
}

}  // namespace
}  // namespace tarnwick
