#include "audio/SpectrumAxis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarnwick {
namespace {

// Every spectrum point of a line is shown somewhere, and a click on a pixel that shows it gives
// its frequency to within half a point or half a pixel, whichever is wider (plus the hertz
// the click truncates); the last pixel also shows the half pixel beyond it. At the form's width of
// 486 pixels a line drawn one point per pixel put the trace at x = 400 some 50 Hz from what a click
// there gives.
TEST(SpectrumAxisTest, AClickOnAPixelGivesTheFrequencyOfThePointsItShows) {
    for (const int width : {120, 300, 474, 475, 486, 1000, 2000}) {
        const SpectrumAxis axis(width);
        const double pixelHz = static_cast<double>(SpectrumScale::kSpanHz) / width;
        const double tolerance = std::max(SpectrumAxis::kPointHz, pixelHz) / 2 + 1;
        std::vector<int> shown(SpectrumScale::kPaintedColumns, 0);
        for (int x = 0; x < width; ++x) {
            const SpectrumAxis::Columns columns = axis.ColumnsAt(x);
            for (int c = columns.first; c <= columns.last; ++c) {
                ++shown[static_cast<std::size_t>(c)];
                EXPECT_NEAR(*axis.ClickHz(x), SpectrumAxis::ColumnHz(c),
                            x == width - 1 ? pixelHz + 1 : tolerance)
                    << "width " << width << " x " << x;
            }
        }
        for (int c = 0; c < SpectrumScale::kPaintedColumns; ++c) {
            EXPECT_GE(shown[static_cast<std::size_t>(c)], 1)
                << "width " << width << " column " << c;
            if (pixelHz > SpectrumAxis::kPointHz) {
                EXPECT_EQ(shown[static_cast<std::size_t>(c)], 1) << "width " << width;
            }
        }
        EXPECT_EQ(axis.ClickHz(0), SpectrumScale::kLowHz);
        EXPECT_FALSE(axis.ClickHz(width));
        EXPECT_FALSE(axis.ClickHz(-1));
        EXPECT_EQ(axis.XOf(1000), static_cast<int>(800.0 * width / SpectrumScale::kSpanHz));
        EXPECT_EQ(axis.XOf(axis.HzAt(width - 1)), width - 1);
    }
    // Past the last point (2750.8 Hz) there is nothing to show.
    const SpectrumAxis wide(4000);
    EXPECT_TRUE(wide.ColumnsAt(3999).Empty());
    EXPECT_EQ(wide.ColumnsAt(0).first, 0);
}

// The marks show the filter the designer makes, which repairs edges no filter can have.
TEST(SpectrumAxisTest, FilterEdgesAreTheDesignersUsableEdges) {
    const SpectrumAxis::FilterEdges plain = SpectrumAxis::FirEdgesHz(1000, 100, 300);
    EXPECT_NEAR(plain.stopLow, 850, 1e-9);
    EXPECT_NEAR(plain.passLow, 950, 1e-9);
    EXPECT_NEAR(plain.passHigh, 1050, 1e-9);
    EXPECT_NEAR(plain.stopHigh, 1150, 1e-9);
    // A -60 dB width no wider than the pass band gets 250 Hz slopes.
    const SpectrumAxis::FilterEdges wall = SpectrumAxis::FirEdgesHz(1000, 100, 100);
    EXPECT_NEAR(wall.stopLow, 700, 1e-9);
    EXPECT_NEAR(wall.stopHigh, 1300, 1e-9);
}

}  // namespace
}  // namespace tarnwick
