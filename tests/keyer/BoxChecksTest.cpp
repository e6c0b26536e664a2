#include <gtest/gtest.h>

#include "keyer/BoxChecks.h"

namespace tarnwick {
namespace {

TEST(BoxChecksTest, SpeedAndDurationAreCorrectedIntoRangeWithTheirMessages) {
    const BoxCheck slow = CheckWpmBox("0");
    EXPECT_EQ(slow.boxText, "1");
    EXPECT_EQ(slow.message, "Tarnwick does not support less than 1 WPM CW");
    EXPECT_EQ(slow.stored, 1);
    const BoxCheck fast = CheckWpmBox("75");
    EXPECT_EQ(fast.boxText, "50");
    EXPECT_EQ(fast.message, "Tarnwick does not support greater than 50 WPM CW");
    EXPECT_EQ(fast.stored, 50);
    EXPECT_EQ(CheckWpmBox("99999999999999").stored, 50);
    const BoxCheck typed = CheckWpmBox("25x");
    EXPECT_EQ(typed.boxText, "25x");
    EXPECT_FALSE(typed.message);
    EXPECT_EQ(typed.stored, 25);

    const BoxCheck shortSequence = CheckDurationBox("10");
    EXPECT_EQ(shortSequence.boxText, "15");
    EXPECT_EQ(shortSequence.message, "Tarnwick does not support less than 15 sec sequences");
    EXPECT_FALSE(shortSequence.stored);
    EXPECT_EQ(CheckDurationBox("601").message,
              "Tarnwick does not support greater than 600 sec sequences");
    EXPECT_FALSE(CheckDurationBox("600").message);
}

TEST(BoxChecksTest, FilterBoxesRefuseOrCorrectAndPushEachOther) {
    const BoxCheck low = CheckCentreBox("200", 1000);
    EXPECT_EQ(low.boxText, "1000");
    EXPECT_EQ(low.message, "You must enter a filter center frequency between 200 and 2756");
    EXPECT_EQ(low.stored, 1000);
    EXPECT_TRUE(low.filterChanged);
    EXPECT_EQ(CheckCentreBox("201", 1000).stored, 201);
    EXPECT_EQ(CheckCentreBox("2755", 1000).stored, 2755);
    EXPECT_TRUE(CheckCentreBox("2756", 1000).message);

    const BoxCheck narrow = CheckWidthBox("5", 100, 200);
    EXPECT_EQ(narrow.boxText, "10");
    EXPECT_EQ(narrow.message, "You must enter a filter width greater than 10 Hz");
    EXPECT_EQ(narrow.stored, 10);
    const BoxCheck pushing = CheckWidthBox("300", 100, 200);
    EXPECT_FALSE(pushing.message);
    EXPECT_EQ(pushing.otherBoxText, "300");
    EXPECT_EQ(pushing.stored, 300);
    for (const int bottom : {3000, 200}) {
        const BoxCheck wide = CheckWidthBox("2500", 100, bottom);
        EXPECT_EQ(wide.boxText, "100") << bottom;
        EXPECT_EQ(wide.message, "You must enter a filter width less than 2000 Hz");
        EXPECT_EQ(wide.stored, 100);
        EXPECT_FALSE(wide.otherBoxText);
    }

    const BoxCheck under = CheckBottomWidthBox("50", 100, 200);
    EXPECT_EQ(under.otherBoxText, "50");
    EXPECT_EQ(under.stored, 50);
    const BoxCheck over = CheckBottomWidthBox("3500", 100, 200);
    EXPECT_EQ(over.boxText, "200");
    EXPECT_EQ(over.message, "You must enter a -60 dB filter width less than 3000 Hz");
    EXPECT_EQ(over.stored, 200);
}

TEST(BoxChecksTest, DisplayClickSetsTheCentreOnlyInsideItsRange) {
    const DisplayClick edge = CheckDisplayClick(200);
    EXPECT_EQ(edge.message, "You must click on a filter center frequency between 200 and 2756");
    EXPECT_FALSE(edge.filterFreq);
    EXPECT_TRUE(CheckDisplayClick(2756).message);
    const DisplayClick middle = CheckDisplayClick(1478);
    EXPECT_FALSE(middle.message);
    EXPECT_EQ(middle.filterFreq, 1478);
}

}  // namespace
}  // namespace tarnwick
