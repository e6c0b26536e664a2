#include "audio/SpectrumScale.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarnwick {
namespace {

using Rgb = SpectrumScale::Rgb;

TEST(SpectrumScaleTest, LevelRange) {
    EXPECT_EQ(SpectrumScale::kLevelStart, 74);
    EXPECT_EQ(SpectrumScale::kLevelEnd, 1024);
    EXPECT_EQ(SpectrumScale::kLevelCount, 950);
    EXPECT_EQ(SpectrumScale::LevelIndexForColumn(0), 74);
    EXPECT_EQ(SpectrumScale::LevelIndexForColumn(474), 1022);
    EXPECT_EQ(SpectrumScale::LevelIndexForColumn(475), -1);
    EXPECT_EQ(SpectrumScale::LevelIndexForColumn(-1), -1);
    EXPECT_LT(SpectrumScale::LevelIndexForColumn(474), SpectrumScale::kLevelArraySize);
}

TEST(SpectrumScaleTest, PaletteBands) {
    const struct {
        int level;
        Rgb colour;
    } expected[] = {
        {0, {0, 0, 0}},         {1, {0, 0, 64}},        {31, {0, 0, 64}},
        {32, {0, 0, 128}},      {63, {0, 0, 128}},      {64, {0, 0, 217}},
        {96, {150, 147, 220}},  {128, {183, 186, 220}}, {160, {225, 228, 225}},
        {191, {225, 228, 225}}, {192, {255, 255, 255}}, {223, {255, 255, 255}},
        {224, {255, 51, 0}},    {255, {255, 51, 0}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(SpectrumScale::PaletteColour(e.level), e.colour) << e.level;
    }
}

TEST(SpectrumScaleTest, ContrastAndGain) {
    // Gain 20: level 40 is (0, 0, 128); with the FIR filter the gain is 28 and the level 56.
    EXPECT_EQ(SpectrumScale::WaterfallGain(20, false), 20);
    EXPECT_EQ(SpectrumScale::WaterfallGain(20, true), 28);
    EXPECT_EQ(SpectrumScale::WaterfallGain(15, true), 21);
    EXPECT_EQ(SpectrumScale::ColourFor(40, 0), (Rgb{0, 0, 128}));
    EXPECT_EQ(SpectrumScale::ColourFor(56, 0), (Rgb{0, 0, 128}));
    EXPECT_EQ(SpectrumScale::ColourFor(200, 100), (Rgb{255, 51, 0}));
    EXPECT_EQ(SpectrumScale::ColourFor(10, -11), (Rgb{0, 0, 0}));
    EXPECT_EQ(SpectrumScale::ColourFor(0, 40), (Rgb{0, 0, 128}));  // before any data
    EXPECT_EQ(SpectrumScale::ColourFor(INT_MAX, INT_MAX), (Rgb{255, 51, 0}));
    EXPECT_EQ(SpectrumScale::ColourFor(INT_MIN, INT_MIN), (Rgb{0, 0, 0}));
}

TEST(SpectrumScaleTest, HitTestMapsTheWidthTo200To2756Hz) {
    const SpectrumScale::Rect rect{100, 50, 748, 200};  // 648 pixels wide
    EXPECT_EQ(SpectrumScale::HitTest(100, 60, rect).frequencyHz, 200);
    EXPECT_EQ(SpectrumScale::HitTest(424, 60, rect).frequencyHz, 1478);  // the middle
    const SpectrumScale::Hit last = SpectrumScale::HitTest(747, 199, rect);
    EXPECT_TRUE(last.hit);
    EXPECT_LT(last.frequencyHz, 2756);
    EXPECT_FALSE(SpectrumScale::HitTest(748, 60, rect).hit);   // right edge is outside
    EXPECT_FALSE(SpectrumScale::HitTest(200, 200, rect).hit);  // bottom edge too
    EXPECT_FALSE(SpectrumScale::HitTest(99, 60, rect).hit);
    EXPECT_FALSE(SpectrumScale::HitTest(200, 49, rect).hit);
    // An empty control is never hit, so never divides by its width.
    EXPECT_FALSE(SpectrumScale::HitTest(5, 5, SpectrumScale::Rect{5, 5, 5, 5}).hit);
    const SpectrumScale::Rect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(SpectrumScale::HitTest(INT_MIN, 0, huge).frequencyHz, 200);
}

TEST(SpectrumScaleTest, TicksSpanTheControl) {
    EXPECT_EQ(SpectrumScale::TickX(200, 648), 0);
    EXPECT_EQ(SpectrumScale::TickX(2756, 648), 648);
    EXPECT_EQ(SpectrumScale::TickX(1000, 648), static_cast<int>(648 / 2556.0 * 800));
}

}  // namespace
}  // namespace tarnwick
