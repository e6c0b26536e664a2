#include "audio/BandPassDesigner.h"

#include <algorithm>
#include <cmath>

namespace tarnwick {

BandPassDesigner::Problem BandPassDesigner::ProblemFor(int centreHz, int widthHz,
                                                       int bottomWidthHz) {
    const double f = centreHz;
    const double halfWidth = widthHz / 2.0;
    const double halfBottom = bottomWidthHz / 2.0;
    Problem problem{};
    problem.edges = {0.0,
                     (f - halfBottom) / kSampleRate,
                     (f - halfWidth) / kSampleRate,
                     (f + halfWidth) / kSampleRate,
                     (f + halfBottom) / kSampleRate,
                     0.5};
    problem.desired = {0.0, 1.0, 0.0};
    problem.weights = {kStopWeight, kPassWeight, kStopWeight};
    return problem;
}

std::array<double, 2 * BandPassDesigner::kBands> BandPassDesigner::UsableEdges(
    std::span<const double, 2 * kBands> edges, double minGap) {
    std::array<double, 2 * kBands> e{};
    for (std::size_t i = 0; i < e.size(); ++i) {
        e[i] = std::isnan(edges[i]) ? 0.0 : std::clamp(edges[i], 0.0, 0.5);
    }
    // Room for the narrowest pass band and a gap on either side between the axis ends given.
    e[0] = std::min(e[0], 0.5 - 2.0 * minGap - kMinPassBand);
    e[5] = std::max(e[5], e[0] + 2.0 * minGap + kMinPassBand);
    if (e[3] - e[2] < kMinPassBand) {
        const double middle = 0.5 * (e[2] + e[3]);
        e[2] = middle - 0.5 * kMinPassBand;
        e[3] = middle + 0.5 * kMinPassBand;
    }
    // Kept whole, the pass band slides off an end of the axis rather than shrinking there.
    const double low = e[0] + minGap;
    const double high = e[5] - minGap;
    const double width = std::min(e[3] - e[2], high - low);
    e[2] = std::min(std::max(e[2], low), std::max(low, high - width));
    e[3] = std::min(e[2] + width, high);
    // Rounding in the sums above can leave a stop edge an ulp beyond its axis end; the max
    // keeps the band, and the pass band still lies a gap away.
    e[1] = std::max(e[0], std::min(std::max(e[1], e[2] - kMaxTransition), e[2] - minGap));
    e[4] = std::min(e[5], std::max(std::min(e[4], e[3] + kMaxTransition), e[3] + minGap));
    return e;
}

bool BandPassDesigner::DesignBandPass(std::span<double> coefficients, int taps,
                                      std::span<const double, 2 * kBands> edges,
                                      std::span<const double, kBands> desired,
                                      std::span<const double, kBands> weights) {
    std::array<double, 2 * kBands> usable = UsableEdges(edges, RemezExchange::GridSpacing(taps));
    for (int attempt = 0; attempt <= kMaxNarrowings; ++attempt) {
        status_ = exchange_.Design(taps, usable, desired, weights, coefficients);
        if (status_ == RemezExchange::Status::Refused) {
            return false;
        }
        const bool finite = std::all_of(coefficients.begin(), coefficients.begin() + taps,
                                        [](double h) { return std::isfinite(h); });
        const bool levelled = status_ != RemezExchange::Status::DeviationStalled ||
                              exchange_.Deviation() >= kMinDeviation;
        if (finite && levelled) {
            return true;
        }
        // So easy a problem that the deviation vanished into rounding: steeper transitions
        // still meet the -60 dB edges asked for, with a deviation the exchange can level.
        usable[1] = usable[2] - (usable[2] - usable[1]) * kNarrowing;
        usable[4] = usable[3] + (usable[4] - usable[3]) * kNarrowing;
    }
    std::fill(coefficients.begin(), coefficients.end(), 0.0);
    status_ = RemezExchange::Status::Refused;
    return false;
}

}  // namespace tarnwick
