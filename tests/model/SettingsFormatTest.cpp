#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "model/SettingsFormat.h"

namespace tarnwick {
namespace {

TEST(SettingsFormatTest, IntReadsLikeScanfI) {
    EXPECT_EQ(ParseInt("42"), 42);
    EXPECT_EQ(ParseInt(" \t-17"), -17);
    EXPECT_EQ(ParseInt("+5"), 5);
    EXPECT_EQ(ParseInt("0x1F"), 31);
    EXPECT_EQ(ParseInt("-0X10"), -16);
    EXPECT_EQ(ParseInt("010"), 8);
    EXPECT_EQ(ParseInt("09"), 0);   // octal stops at the 9
    EXPECT_EQ(ParseInt("0xg"), 0);  // the 0 alone
    EXPECT_EQ(ParseInt("12abc"), 12);
    EXPECT_EQ(ParseInt("99999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(ParseInt("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(ParseInt("-99999999999999999999999"), std::numeric_limits<int>::min());
    for (const char* bad : {"", "   ", "-", "+", "abc", "x1", "- 1"}) {
        EXPECT_FALSE(ParseInt(bad)) << bad;
    }
    size_t used = 0;
    EXPECT_EQ(ParseInt(" 7:8", &used), 7);
    EXPECT_EQ(used, 2u);
}

TEST(SettingsFormatTest, UnsignedWrapsLikeStrtoulThenCutsTo32Bits) {
    EXPECT_EQ(ParseUnsigned("15"), 15u);
    EXPECT_EQ(ParseUnsigned("-1"), 4294967295u);
    EXPECT_EQ(ParseUnsigned("4294967296"), 0u);
    EXPECT_EQ(ParseUnsigned("99999999999999999999999"), 4294967295u);
    EXPECT_EQ(ParseUnsigned("0x10"), 0u);  // decimal only: the 0
    EXPECT_FALSE(ParseUnsigned("wpm"));
}

TEST(SettingsFormatTest, DoubleIgnoresTheUserLocale) {
    // A decimal-comma locale, when the machine has one, must change neither direction.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(FormatDouble(0.2), "0.200000");
    EXPECT_EQ(ParseDouble("0.25"), 0.25);
    std::setlocale(LC_ALL, saved.c_str());

    EXPECT_EQ(FormatDouble(3.0), "3.000000");
    EXPECT_EQ(FormatDouble(-1.5), "-1.500000");
    EXPECT_EQ(ParseDouble(" 1.5e1x"), 15.0);
    EXPECT_TRUE(std::isnan(*ParseDouble(FormatDouble(std::nan("")))));
    EXPECT_TRUE(std::isinf(*ParseDouble("1e999")));
    EXPECT_FALSE(ParseDouble("."));
    EXPECT_FALSE(ParseDouble(""));
}

TEST(SettingsFormatTest, HexAddressKeepsLow16Bits) {
    EXPECT_EQ(ParseHex16("378"), 0x378);
    EXPECT_EQ(ParseHex16("0x3BC"), 0x3BC);
    EXPECT_EQ(ParseHex16("FFFF"), -1);
    EXPECT_EQ(ParseHex16("12378"), 0x2378);
    EXPECT_EQ(ParseHex16("0"), 0);
    EXPECT_FALSE(ParseHex16("LPT1"));
    EXPECT_EQ(FormatInt(-1), "-1");
    EXPECT_EQ(FormatUnsigned(4294967295u), "4294967295");
}

}  // namespace
}  // namespace tarnwick
