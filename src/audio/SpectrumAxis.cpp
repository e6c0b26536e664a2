#include "audio/SpectrumAxis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "audio/BandPassDesigner.h"

namespace tarnwick {

namespace {

constexpr int kLastColumn = SpectrumScale::kPaintedColumns - 1;

}  // namespace

SpectrumAxis::SpectrumAxis(int width) : width_(std::max(width, 1)) {}

double SpectrumAxis::HzAt(double x) const {
    return SpectrumScale::kLowHz + SpectrumScale::kSpanHz * x / width_;
}

int SpectrumAxis::XOf(double hz) const {
    const double x = std::floor((hz - SpectrumScale::kLowHz) * width_ / SpectrumScale::kSpanHz);
    // Far off the axis (or NaN) is just off it.
    return static_cast<int>(std::clamp(x, -1.0, static_cast<double>(width_)));
}

std::optional<int> SpectrumAxis::ClickHz(int x) const {
    const SpectrumScale::Hit hit = SpectrumScale::HitTest(x, 0, {0, 0, width_, 1});
    if (!hit.hit) {
        return std::nullopt;
    }
    return hit.frequencyHz;
}

double SpectrumAxis::ColumnHz(int column) {
    return (kFirstPoint + column) * kPointHz;
}

SpectrumAxis::Columns SpectrumAxis::ColumnsAt(int x) const {
    // The boundary between pixels k - 1 and k, in line columns; neighbouring pixels share one,
    // computed alike, so each column centre falls into exactly one pixel.
    const auto boundary = [this](int k) { return HzAt(k - 0.5) / kPointHz - kFirstPoint; };
    // The end pixels also take what lies beyond their half pixel, up to the axis's ends.
    int first = x <= 0 ? 0 : static_cast<int>(std::ceil(boundary(x)));
    int last = x >= width_ - 1 ? kLastColumn : static_cast<int>(std::ceil(boundary(x + 1))) - 1;
    if (first > last) {
        // Narrower than a point: the nearest one.
        first = last = static_cast<int>(std::lround(HzAt(x) / kPointHz - kFirstPoint));
    }
    first = std::max(first, 0);
    last = std::min(last, kLastColumn);
    if (first > last) {
        return {1, 0};
    }
    return {first, last};
}

SpectrumAxis::FilterEdges SpectrumAxis::FirEdgesHz(int centreHz, int widthHz, int bottomWidthHz) {
    const BandPassDesigner::Problem problem =
        BandPassDesigner::ProblemFor(centreHz, widthHz, bottomWidthHz);
    const std::array<double, 2 * BandPassDesigner::kBands> e =
        BandPassDesigner::UsableEdges(problem.edges);
    constexpr double kRate = BandPassDesigner::kSampleRate;
    return {e[1] * kRate, e[2] * kRate, e[3] * kRate, e[4] * kRate};
}

}  // namespace tarnwick
