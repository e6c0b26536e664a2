#include "audio/SpectralMask.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace tarnwick {
namespace {

constexpr int kN = 1024;

TEST(SpectralMaskTest, PointsOfTheDefaultFilter) {
    const SpectralMask mask(1000, 100, 200);
    EXPECT_EQ(mask.I0(), 157);
    EXPECT_EQ(mask.I1(), 176);
    EXPECT_EQ(mask.I2(), 195);
    EXPECT_EQ(mask.I3(), 213);
}

// The mask on a flat spectrum shows its own shape: zero, rising ramp, flat, falling ramp, zero.
std::vector<double> MaskShape(const SpectralMask& mask) {
    std::vector<double> spectrum(2 * kN);
    for (int i = 0; i < kN; ++i) {
        spectrum[2 * i] = 1.0;
        spectrum[2 * i + 1] = -1.0;
    }
    mask.Apply(spectrum);
    std::vector<double> gain(kN);
    for (int i = 0; i < kN; ++i) {
        EXPECT_EQ(spectrum[2 * i], -spectrum[2 * i + 1]);
        gain[i] = spectrum[2 * i];
    }
    return gain;
}

TEST(SpectralMaskTest, TrapezoidOverThePoints) {
    const std::vector<double> gain = MaskShape(SpectralMask(1000, 100, 200));
    for (int i = 0; i < kN; ++i) {
        double expected = 0.0;
        if (i >= 157 && i < 176) {
            expected = (i - 157) / 19.0;
        } else if (i >= 176 && i < 195) {
            expected = 1.0;
        } else if (i >= 195 && i < 213) {
            expected = (213 - i) / 18.0;
        }
        ASSERT_DOUBLE_EQ(gain[i], expected) << "point " << i;
    }
}

// Below point 0 nothing exists: the ramp keeps its slope and the lowest points start part-way
// up it. (Centre 201 Hz, width 10 Hz, -60 dB width 3000 Hz.)
TEST(SpectralMaskTest, RampBelowPointZeroKeepsItsSlope) {
    const SpectralMask mask(201, 10, 3000);
    EXPECT_EQ(mask.I0(), -242);
    EXPECT_EQ(mask.I1(), 36);
    const std::vector<double> gain = MaskShape(mask);
    for (int i = 0; i < 36; ++i) {
        ASSERT_DOUBLE_EQ(gain[i], (i + 242) / 278.0) << "point " << i;
    }
    EXPECT_EQ(gain[36], 1.0);
}

TEST(SpectralMaskTest, AnyValuesStayInsideTheSpectrum) {
    const int values[] = {INT_MIN, -5000, -1, 0, 1, 100, 3000, 5512, 6000, INT_MAX};
    for (int centre : values) {
        for (int width : values) {
            for (int bottom : values) {
                const std::vector<double> gain = MaskShape(SpectralMask(centre, width, bottom));
                for (double g : gain) {
                    ASSERT_TRUE(g >= 0.0 && g <= 1.0) << centre << " " << width << " " << bottom;
                }
            }
        }
    }
    // An empty spectrum is left alone.
    SpectralMask(1000, 100, 200).Apply(std::span<double>());
}

}  // namespace
}  // namespace tarnwick
