#include "audio/SpectralMask.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tarnwick {

namespace {

// |F| + |W|/2 + |B|/2 stays below 2^32, times kPointsPerHz below 2^31: the point fits an int.
int PointOf(int64_t hz) {
    return static_cast<int>(std::trunc(static_cast<double>(hz) * SpectralMask::kPointsPerHz));
}

void Scale(std::span<double> spectrum, int point, double factor) {
    spectrum[2 * static_cast<std::size_t>(point)] *= factor;
    spectrum[2 * static_cast<std::size_t>(point) + 1] *= factor;
}

}  // namespace

SpectralMask::SpectralMask(int centreHz, int widthHz, int bottomWidthHz) {
    const int64_t f = centreHz;
    const int64_t h = widthHz / 2;
    const int64_t b = bottomWidthHz / 2;
    i0_ = PointOf(f - h - b);
    i1_ = PointOf(f - h);
    i2_ = PointOf(f + h);
    i3_ = PointOf(f + h + b);
}

void SpectralMask::Apply(std::span<double> spectrum) const {
    const int points = static_cast<int>(spectrum.size() / 2);
    const auto clampPoint = [points](int i) { return std::clamp(i, 0, points); };

    for (int i = 0; i < clampPoint(i0_); ++i) {
        Scale(spectrum, i, 0.0);
    }
    for (int i = clampPoint(i3_); i < points; ++i) {
        Scale(spectrum, i, 0.0);
    }
    // A ramp range is empty unless its end lies above its start, so neither divides by zero.
    for (int i = clampPoint(i0_); i < clampPoint(i1_); ++i) {
        Scale(spectrum, i,
              static_cast<double>(int64_t{i} - i0_) / static_cast<double>(int64_t{i1_} - i0_));
    }
    for (int i = clampPoint(i2_); i < clampPoint(i3_); ++i) {
        Scale(spectrum, i,
              static_cast<double>(int64_t{i3_} - i) / static_cast<double>(int64_t{i3_} - i2_));
    }
}

}  // namespace tarnwick
