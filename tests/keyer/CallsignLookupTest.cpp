#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "keyer/CallsignLookup.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using Grid = std::optional<std::string>;

TEST(CallsignLookupTest, TheFirstLineWithTheWholeCallGivesItsGridAsWritten) {
    const std::string list =
        "dl0xx\tjo62qm  comment words\n"
        "DL0XX JO00aa\n"
        "K1ABC FN42\n";
    EXPECT_EQ(LookUpGrid(list, "DL0XX"), Grid("jo62qm"));  // case ignored, first line wins
    EXPECT_EQ(LookUpGrid(list, "k1abc"), Grid("FN42"));
    EXPECT_EQ(LookUpGrid(list, "DL0XX/P"), std::nullopt);  // whole tokens only
    EXPECT_EQ(LookUpGrid(list, "DL0X"), std::nullopt);
    EXPECT_EQ(LookUpGrid(list, ""), std::nullopt);
    EXPECT_EQ(LookUpGrid(list, "JO62QM"), std::nullopt);
}

TEST(CallsignLookupTest, LinesWithoutAGridAreSkippedNotGivenAnotherLinesGrid) {
    EXPECT_EQ(LookUpGrid("W1AW FN31\nK1ABC\n\n   \nK1ABC FN42\n", "K1ABC"), Grid("FN42"));
    EXPECT_EQ(LookUpGrid("W1AW FN31\nK1ABC\n", "K1ABC"), std::nullopt);
    EXPECT_EQ(LookUpGrid("K1ABC", "K1ABC"), std::nullopt);
}

TEST(CallsignLookupTest, CrLfAndCrEndLinesAndLongLinesAndTokensAreTakenWhole) {
    EXPECT_EQ(LookUpGrid("W1AW FN31\r\nK1ABC FN42\r\n", "K1ABC"), Grid("FN42"));
    EXPECT_EQ(LookUpGrid("W1AW FN31\rK1ABC FN42\r", "K1ABC"), Grid("FN42"));
    EXPECT_EQ(LookUpGrid("K1ABC\r\nFN42\r\n", "K1ABC"), std::nullopt);

    // The tail of a long line is no station of its own.
    const std::string longLine = "W1AW FN31" + std::string(501, ' ') + "K1ABC XX99\n";
    EXPECT_EQ(LookUpGrid(longLine + "K1ABC FN42\n", "K1ABC"), Grid("FN42"));
    // A token of any length is compared whole, never cut to a prefix that might match.
    const std::string longCall(150, 'K');
    const std::string longGrid(300, 'G');
    EXPECT_EQ(LookUpGrid(longCall + " " + longGrid + "\n", longCall), Grid(longGrid));
    EXPECT_EQ(LookUpGrid(longCall + " FN42\n", std::string(99, 'K')), std::nullopt);
}

TEST(CallsignLookupTest, BinaryBytesMatchOnlyThemselves) {
    const char raw[] = "K1\0ABC FN00\nW1AW \xff\xfe\n\x80 x\nK1ABC FN42\n";
    const std::string list(raw, sizeof raw - 1);
    EXPECT_EQ(LookUpGrid(list, "K1ABC"), Grid("FN42"));
    EXPECT_EQ(LookUpGrid(list, "W1AW"), Grid("\xff\xfe"));
    EXPECT_EQ(LookUpGrid(list, std::string("K1\0ABC", 6)), Grid("FN00"));
}

TEST(CallsignLookupTest, OnlyAPlainFileIsReadAndOnlyUpToTheBound) {
    test::ScratchDir dir{"tarnwick-callsign"};
    const std::string path = dir.File(kCallsignFileName);
    EXPECT_EQ(LookUpGridInFile(path, "K1ABC"), std::nullopt) << "no file";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(LookUpGridInFile(path, "K1ABC"), std::nullopt) << "a FIFO, without waiting";
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(LookUpGridInFile(dir.Path(), "K1ABC"), std::nullopt) << "a directory";

    ASSERT_TRUE(test::ScratchDir::Write(path, "W1AW FN31\nK1ABC FN42\nDL0XX JO62\n"));
    EXPECT_EQ(LookUpGridInFile(path, "DL0XX"), Grid("JO62"));
    // 25 bytes hold the second line whole (its line end is the 21st byte) and cut the third.
    EXPECT_EQ(LookUpGridInFile(path, "K1ABC", 25), Grid("FN42"));
    EXPECT_EQ(LookUpGridInFile(path, "DL0XX", 25), std::nullopt);
    EXPECT_EQ(LookUpGridInFile(path, "K1ABC", 20), Grid("FN42")) << "cut at its line end";
    EXPECT_EQ(LookUpGridInFile(path, "K1ABC", 19), std::nullopt) << "never a grid cut short";
}

}  // namespace
}  // namespace tarnwick
