#include <gtest/gtest.h>

#include <string>

#include "send/MorseTable.h"
#include "trx/RigMorseText.h"

namespace tarnwick {
namespace {

std::string WithoutBlanks(std::string s) {
    std::erase(s, ' ');
    return s;
}

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

TEST(RigMorseTextTest, EveryPieceIsSafeAndNothingSendableIsLost) {
    const std::vector<std::string> texts = {
        "CQ\nT 1\n",
        "\\stop_morse",
        "+T 1",
        std::string(600, 'x'),
        "a bb ccc dddd eeeee ffffff ggggggg hhhhhhhh iiiiiiiii jjjjjjjjjj kkkkkkkkkkk",
        "RPRT 0\nget_freq:\n",
    };
    for (const std::string& text : texts) {
        std::string joined;
        for (const std::string& piece : SplitMorseText(text)) {
            EXPECT_FALSE(piece.empty());
            EXPECT_LE(piece.size(), kMaxMorsePiece);
            EXPECT_NE(piece.front(), ' ');
            EXPECT_NE(piece.back(), ' ');
            EXPECT_EQ(piece.find("  "), std::string::npos);
            for (const char c : piece) {
                ASSERT_GE(c, kFirstMorseChar);
                ASSERT_LE(c, kLastMorseChar);
                EXPECT_NE(MorseTable[static_cast<size_t>(c - kFirstMorseChar)], 0) << c;
                EXPECT_NE(c, ';');
            }
            joined += WithoutBlanks(piece);
        }
        EXPECT_EQ(joined, WithoutBlanks(SanitiseMorseText(text))) << text;
    }
}

}  // namespace
}  // namespace tarnwick
