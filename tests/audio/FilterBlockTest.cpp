#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <vector>

#include "audio/FftEngine.h"

namespace tarnwick {
namespace {

constexpr int kN = FftEngine::kSize;
constexpr double kDecimatedRate = 5512.0;  // the point spacing the mask uses

std::vector<double> Tone(double hz, double amplitude) {
    std::vector<double> block(kN);
    for (int i = 0; i < kN; ++i) {
        block[i] = amplitude * std::cos(2.0 * M_PI * hz * i / kDecimatedRate);
    }
    return block;
}

// A tone that falls exactly on spectrum point k.
std::vector<double> ToneAtPoint(int k, double amplitude) {
    return Tone(k * kDecimatedRate / kN, amplitude);
}

std::vector<double> RunBlock(FftEngine& fft, const std::vector<double>& block, int averaging,
                             bool mask, int centre = 1000, int width = 100, int bottom = 200) {
    std::vector<double> out(2 * kN, -1.0);
    fft.LoadBlock(std::span<const double, kN>(block.data(), kN));
    fft.FilterBlock(averaging, mask, centre, width, bottom,
                    std::span<double, 2 * kN>(out.data(), out.size()));
    return out;
}

double PointMagnitude(const FftEngine& fft, int k) {
    return std::hypot(fft.AverageSpectrum()[2 * k], fft.AverageSpectrum()[2 * k + 1]);
}

TEST(FilterBlockTest, WithoutFiltersTheBlockComesBackZeroStuffed) {
    FftEngine fft;
    const std::vector<double> block = Tone(777.7, 3000.0);
    fft.LoadBlock(std::span<const double, kN>(block.data(), kN));
    for (int i = 0; i < kN; ++i) {
        ASSERT_EQ(fft.TimeBlock()[2 * i], block[i]);  // rectangular window
        ASSERT_EQ(fft.TimeBlock()[2 * i + 1], 0.0);
    }
    for (int averaging : {0, 1}) {
        const std::vector<double> out = RunBlock(fft, block, averaging, false);
        EXPECT_EQ(fft.AveragingOn(), 0);
        EXPECT_EQ(fft.AveragingCount(), averaging);
        for (int i = 0; i < kN; ++i) {
            ASSERT_NEAR(out[2 * i], block[i], 1e-7);
            ASSERT_EQ(out[2 * i + 1], 0.0);
        }
    }
}

TEST(FilterBlockTest, AveragingMovesPartWayToEachNewSpectrum) {
    FftEngine fft;
    RunBlock(fft, ToneAtPoint(200, 1000.0), 0, false);
    const double first = PointMagnitude(fft, 200);
    EXPECT_NEAR(first, 1000.0 * kN / 2, 1e-6);

    // With 2 the average moves halfway towards silence, and the output is its inverse.
    const std::vector<double> out = RunBlock(fft, std::vector<double>(kN, 0.0), 2, false);
    EXPECT_EQ(fft.AveragingOn(), 1);
    EXPECT_EQ(fft.AveragingCount(), 2);
    EXPECT_NEAR(PointMagnitude(fft, 200), first / 2, 1e-6);
    const std::vector<double> half = ToneAtPoint(200, 500.0);
    for (int i = 0; i < kN; ++i) {
        ASSERT_NEAR(out[2 * i], half[i], 1e-7);
    }

    RunBlock(fft, std::vector<double>(kN, 0.0), 4, false);
    EXPECT_NEAR(PointMagnitude(fft, 200), first / 2 * 0.75, 1e-6);
}

TEST(FilterBlockTest, SpectralFilterKeepsThePassBandAndDropsTheRest) {
    FftEngine fft;
    // Point 186 is inside the flat part (176..194) of the default mask, point 300 far outside.
    std::vector<double> block = ToneAtPoint(186, 1000.0);
    const std::vector<double> stop = ToneAtPoint(300, 1000.0);
    for (int i = 0; i < kN; ++i) {
        block[i] += stop[i];
    }
    const std::vector<double> out = RunBlock(fft, block, 0, true);
    // The negative frequencies are masked too: the real part keeps half the tone.
    const std::vector<double> expected = ToneAtPoint(186, 500.0);
    for (int i = 0; i < kN; ++i) {
        ASSERT_NEAR(out[2 * i], expected[i], 1e-7);
    }
    // The average holds the masked spectrum, so the display shows what is heard.
    EXPECT_EQ(PointMagnitude(fft, 300), 0.0);
    EXPECT_EQ(PointMagnitude(fft, kN - 186), 0.0);
    EXPECT_NEAR(PointMagnitude(fft, 186), 1000.0 * kN / 2, 1e-6);
}

TEST(ComputeLevelsTest, SilenceAndTheDocumentedLevels) {
    FftEngine fft;
    std::vector<int> levels(1034, -7);
    fft.ComputeLevels(74, 1024, 20, levels);
    for (int i = 0; i < 1034; ++i) {
        ASSERT_EQ(levels[i], (i >= 74 && i <= 1024) ? 0 : -7) << i;
    }

    // P + 28145.8 = 100 x 28145.8 at spectrum point 100 (level indices 200 and 201).
    const double power = 99.0 * FftEngine::kLevelFloor;
    const double amplitude = std::sqrt(power) / (kN / 2);
    RunBlock(fft, ToneAtPoint(100, amplitude), 0, false);
    fft.ComputeLevels(74, 1024, 20, levels);
    EXPECT_EQ(levels[200], 40);
    EXPECT_EQ(levels[201], 40);
    EXPECT_EQ(levels[202], 0);
    fft.ComputeLevels(74, 1024, 28, levels);
    EXPECT_EQ(levels[200], 56);
}

TEST(ComputeLevelsTest, RangeAndLevelStayBounded) {
    FftEngine fft;
    RunBlock(fft, ToneAtPoint(100, 30000.0), 0, false);
    std::vector<int> levels(300, -7);
    // A range past both ends of the array only writes what exists.
    fft.ComputeLevels(-50, 5000, INT_MAX, levels);
    EXPECT_EQ(levels[200], FftEngine::kLevelLimit);
    // Silence sits 4e-7 decades above the offset: level 0 at any sensible gain, not at 2^31.
    EXPECT_GE(levels[0], 0);
    EXPECT_LT(levels[0], 1000);
    fft.ComputeLevels(-50, 5000, INT_MIN, levels);
    EXPECT_EQ(levels[200], -FftEngine::kLevelLimit);
    fft.ComputeLevels(100, 50, 20, levels);  // empty range
    fft.ComputeLevels(0, 10, 20, std::span<int>());
}

}  // namespace
}  // namespace tarnwick
