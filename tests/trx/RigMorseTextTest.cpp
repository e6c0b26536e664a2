#include <gtest/gtest.h>

#include <string>

#include "trx/RigMorseText.h"

namespace tarnwick {
namespace {

TEST(RigMorseTextTest, OnlyCharactersWithACodeReachTheRadio) {
    EXPECT_EQ(SanitiseMorseText("cq de pa3xyz k"), "CQ DE PA3XYZ K");
    EXPECT_EQ(SanitiseMorseText("5nn 599 tu?/=.,+-()'\":$*"), "5NN 599 TU?/=.,+-()'\":$*");
    // Line ends, command prefixes and characters without a code must not pass: a newline would
    // start a new daemon command, a backslash a long command, a semicolon a radio command.
    EXPECT_EQ(SanitiseMorseText("CQ\nT 1"), "CQT 1");
    EXPECT_EQ(SanitiseMorseText("CQ\r\n+\\set_ptt 1"), "CQ+SETPTT 1");
    EXPECT_EQ(SanitiseMorseText("\\stop_morse"), "STOPMORSE");
    EXPECT_EQ(SanitiseMorseText("A;B#C%D&E<F>G@H![I]J^K_L`M{N|O}P~Q\tR\x7f\xc3\xa9"),
              "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(SanitiseMorseText(std::string("A\0B", 3)), "AB");
}

TEST(RigMorseTextTest, PiecesSplitAtWordsAndCutOnlyOverlongWords) {
    EXPECT_EQ(SplitMorseText("CQ CQ DE PA3XYZ PA3XYZ PA3XYZ K"),
              (std::vector<std::string>{"CQ CQ DE PA3XYZ PA3XYZ", "PA3XYZ K"}));
    EXPECT_EQ(SplitMorseText("  cq   test  "), (std::vector<std::string>{"CQ TEST"}));
    EXPECT_TRUE(SplitMorseText("").empty());
    EXPECT_TRUE(SplitMorseText(" \n#; ").empty());

    const std::string word24(24, 'E');
    EXPECT_EQ(SplitMorseText(word24), (std::vector<std::string>{word24}));
    EXPECT_EQ(SplitMorseText("A " + word24 + " B"), (std::vector<std::string>{"A", word24, "B"}));

    const auto cut = SplitMorseText("K " + std::string(200, 'T') + " K");
    ASSERT_EQ(cut.size(), 10u);  // "K", eight pieces of 24, the last 8 with the K after it
    EXPECT_EQ(cut.front(), "K");
    EXPECT_EQ(cut[8], std::string(24, 'T'));
    EXPECT_EQ(cut.back(), std::string(8, 'T') + " K");
}

}  // namespace
}  // namespace tarnwick
