#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "morse/CwTiming.h"
#include "morse/MorseTable.h"

namespace tarnwick {
namespace {

TEST(MorseTableTest, ConversionFoldsCaseAndDropsWhatHasNoPlace) {
    const MorseRun run = ConvertToMorse("cq[~\x01\xe9 Ab#");
    EXPECT_EQ(std::string(run.chars.begin(), run.chars.end()), "CQ AB#");
    EXPECT_EQ(run.codes, (std::vector<uint16_t>{0x99C0, 0xA6C0, 0xF000, 0x6C00, 0x95C0, 0x0000}));
    EXPECT_EQ(MorseTable['=' - 32], 0x95B0);  // BT
    EXPECT_EQ(MorseTable['*' - 32], 0x566C);  // SK
    EXPECT_EQ(MorseTable['Z' - 32], 0xA5C0);
}

TEST(CwTimingTest, LengthsAtTheQuotedSpeeds) {
    const CwTiming t20 = ComputeCwTiming(20, 1.0, 3.0, 3.0);
    EXPECT_EQ(t20.dotMs, 60u);
    EXPECT_EQ(t20.dashMs, 180u);
    EXPECT_EQ(t20.elementGapMs, 60u);
    EXPECT_EQ(t20.letterGapMs, 180u);
    EXPECT_EQ(t20.blankGapMs, 300u);  // a word gap is letter gap + blank gap = 480 ms
    EXPECT_EQ(t20.resolutionMs, 6u);

    const CwTiming t7 = ComputeCwTiming(7, 1.0, 3.0, 3.0);
    EXPECT_EQ(t7.dotMs, 171u);
    EXPECT_EQ(t7.dashMs, 514u);
    EXPECT_EQ(t7.letterGapMs, 514u);
    EXPECT_EQ(t7.resolutionMs, 17u);

    const CwTiming w = ComputeCwTiming(20, 1.2, 3.0, 3.0);
    EXPECT_EQ(w.dotMs, 72u);
    EXPECT_EQ(w.elementGapMs, 60u);
    EXPECT_EQ(w.letterGapMs + w.blankGapMs, 504u);

    EXPECT_EQ(ComputeCwTiming(50, 1.0, 3.0, 3.0).resolutionMs, 2u);
}

TEST(CwTimingTest, StoredNonsenseIsKeyedWithSafeValues) {
    EXPECT_EQ(ComputeCwTiming(0, 1, 3, 3).dotMs, 1200u);  // 0 WPM keys at 1 WPM
    EXPECT_EQ(ComputeCwTiming(4000000000u, 1, 3, 3).dotMs, 24u);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CwTiming bad = ComputeCwTiming(20, nan, -3.0, std::numeric_limits<double>::infinity());
    EXPECT_EQ(bad.dotMs, 0u);
    EXPECT_EQ(bad.dashMs, 0u);
    EXPECT_EQ(bad.letterGapMs, kMaxCwIntervalMs);
    EXPECT_EQ(ComputeCwTiming(1, 1e300, 1, 1).dotMs, kMaxCwIntervalMs);
}

TEST(CwTimingTest, IdealScheduleOfTwoWordsAndOfACodelessCharacter) {
    const CwTiming t = ComputeCwTiming(20, 1.0, 3.0, 3.0);
    const auto ee = IdealCwSchedule(ConvertToMorse("E E"), t);
    ASSERT_EQ(ee.size(), 4u);
    EXPECT_EQ(ee[1].atMs, 60u);
    EXPECT_EQ(ee[2].atMs, 540u);  // up 480 ms between the words
    EXPECT_EQ(ee[3].atMs, 600u);

    // A#B: the # keys nothing but costs its own letter gap.
    const auto ab = IdealCwSchedule(ConvertToMorse("A#B"), t);
    const auto a = IdealCwSchedule(ConvertToMorse("A"), t);
    EXPECT_EQ(ab[4].atMs - a.back().atMs, 2 * t.letterGapMs);

    // A leading blank gets no gap; the first real character waits one letter gap.
    EXPECT_EQ(IdealCwSchedule(ConvertToMorse(" E"), t).front().atMs, t.letterGapMs);
    EXPECT_EQ(IdealCwSchedule(ConvertToMorse("PARIS "), t).back().atMs, 43 * 60u);
    EXPECT_EQ(CwDurationMs(ConvertToMorse("PARIS "), t), 48 * 60u);  // with the word gap
}

}  // namespace
}  // namespace tarnwick
