#pragma once

#include <array>
#include <span>

#include "audio/RemezExchange.h"

namespace tarnwick {

// The receive pipeline's designed FIR band-pass: 89 linear-phase taps at 11025 samples per
// second, equiripple, stop bands weighted 30 times the pass band (so their ripple comes out at
// one thirtieth of the pass band's).
//
// The operator's three numbers can describe impossible bands (a lower stop edge below 0 Hz,
// no room between the pass band and a stop band, a pass band of no width). Such edges are made
// usable before the design (see UsableEdges) rather than handed to the exchange, which would
// divide by zero on coinciding frequencies. They can also describe a task so easy (a narrow
// pass band, gentle slopes) that the exchange's levelled deviation drowns in rounding and the
// published program yields NaN; such a design is repeated with steeper slopes. The result is
// always a finite, symmetric filter.
class BandPassDesigner {
public:
    static constexpr int kTaps = 89;
    static constexpr int kBands = 3;
    static constexpr double kSampleRate = 11025.0;
    static constexpr double kStopWeight = 30.0;
    static constexpr double kPassWeight = 1.0;
    // Narrowest pass band and widest transition band, in fractions of the sample rate. 10 Hz
    // is the operating window's narrowest width; 1500 Hz lies just above the widest transition
    // its limits produce (1495 Hz). Beyond either the exchange loses the pass band: a lone
    // pass frequency, or a task so easy that the levelled deviation sinks into rounding.
    static constexpr double kMinPassBand = 10.0 / kSampleRate;
    static constexpr double kMaxTransition = 1500.0 / kSampleRate;
    // A design whose deviation stopped growing below kMinDeviation has lost the pass band to
    // rounding; its transitions are narrowed by kNarrowing and it is designed again, at most
    // kMaxNarrowings times.
    static constexpr double kMinDeviation = 1e-8;
    static constexpr double kNarrowing = 0.75;
    static constexpr int kMaxNarrowings = 16;

    // The design problem in fractions of the sample rate.
    struct Problem {
        std::array<double, 2 * kBands> edges;
        std::array<double, kBands> desired;
        std::array<double, kBands> weights;
    };

    // centreHz F, widthHz W, bottomWidthHz B (width at -60 dB), any ints: edges 0,
    // (F - B/2)/11025, (F - W/2)/11025, (F + W/2)/11025, (F + B/2)/11025, 0.5 (halves in
    // floating point), desired 0, 1, 0, weights 30, 1, 30. Edges are left as they fall.
    static Problem ProblemFor(int centreHz, int widthHz, int bottomWidthHz);

    // The nearest band-pass problem the exchange can solve, with minGap (> 0, well below
    // kMinPassBand) the least transition: every edge is clamped into 0..0.5 (NaN counts as 0);
    // a pass band narrower than kMinPassBand (inverted ones included) widens about its middle
    // to kMinPassBand; the pass band keeps at least minGap from either end of the axis; each
    // stop band edge gives way to keep minGap from the pass band (a stop band shrinking at most
    // to the single frequency at its end of the axis) and comes in to no more than
    // kMaxTransition from it.
    static std::array<double, 2 * kBands> UsableEdges(std::span<const double, 2 * kBands> edges,
                                                      double minGap);

    // Fills coefficients[0..taps-1] with the designed filter, h(k) = h(taps-1-k). taps: odd,
    // 3..RemezExchange::kMaxTaps (the pipeline uses kTaps); edges in fractions of the sample
    // rate, made usable with a gap of one grid spacing; desired values finite; weights
    // positive. Returns false, with the coefficients zeroed (silence rather than noise), when
    // taps, array, desired values or weights are out of range, or (not seen with band-pass
    // edges) when no steepening gives a levelled design.
    bool DesignBandPass(std::span<double> coefficients, int taps,
                        std::span<const double, 2 * kBands> edges,
                        std::span<const double, kBands> desired,
                        std::span<const double, kBands> weights);

    // The exchange of the last design: its deviation, iterations and status.
    const RemezExchange& Exchange() const { return exchange_; }
    RemezExchange::Status LastStatus() const { return status_; }

private:
    RemezExchange exchange_;
    RemezExchange::Status status_ = RemezExchange::Status::Refused;
};

}  // namespace tarnwick
