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
// divide by zero on coinciding frequencies. The exchange levels the error only inside the
// bands: a transition wider than 89 taps can hold, or one that runs into a stop band shrunk to
// the single point 0 Hz, is free to swell by 100 dB and more, which turns noise into full-scale
// clipping. No design is taken unless its gain stays within kMaxGain from 0 Hz to half the
// sample rate; otherwise the transition holding the peak is narrowed and the design repeated.
// Designs that already meet the bound are the published equiripple design, unchanged.
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
    // An empty or inverted transition (a -60 dB width not above the width) asks for a wall no
    // filter has; it gets this width instead, the narrowest with which 89 taps keep the pass
    // band within about 1 dB (deviation at most 0.11 for every width the window accepts).
    static constexpr double kUsableTransition = 250.0 / kSampleRate;
    // A transition narrower than this is rounding (a pass band widened onto its stop edge),
    // not a slope asked for, and counts as empty. The exchange copes with far narrower ones
    // than a grid step, down to about 1e-10.
    static constexpr double kMinTransition = 1e-9;
    // Between a pass band and a stop band shrunk to the single frequency at an end of the axis
    // (a -60 dB edge below 0 Hz) the exchange needs this much room: with less, the one point
    // tears the pass band apart (ripple beyond +-20 % below 100 Hz of room, +-97 % at a few
    // hertz), so the pass band takes in that end instead, a low-pass.
    static constexpr double kMinEndRoom = 125.0 / kSampleRate;
    // Largest gain a design may have anywhere, as a multiple of the largest desired gain.
    static constexpr double kMaxGain = 2.0;
    // Points of the peak search over 0..0.5 (between them the gain is bounded, see PeakGain).
    static constexpr int kPeakPoints = 2048;
    // A design that breaks the gain bound, or whose deviation stopped growing below
    // kMinDeviation (the pass band lost to rounding), has transitions narrowed by kNarrowing
    // and is designed again, at most kMaxNarrowings times.
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

    // The nearest band-pass problem the exchange can solve: every edge is clamped into 0..0.5
    // (NaN counts as 0); a pass band narrower than kMinPassBand (inverted ones included) widens
    // about its middle to kMinPassBand and slides whole into the axis; an empty or inverted
    // transition (narrower than kMinTransition) becomes kUsableTransition wide; each stop band
    // edge comes in to no more than kMaxTransition from the pass band and stops at its end of
    // the axis, the stop band shrinking at most to that single frequency. A stop band so shrunk
    // less than kMinEndRoom from the pass band is dropped: the pass band takes in that end of
    // the axis (e[0] == e[1] == e[2], or e[3] == e[4] == e[5]). A non-empty transition, however
    // narrow, is kept.
    static std::array<double, 2 * kBands> UsableEdges(std::span<const double, 2 * kBands> edges);

    // Largest |H(f)| of the symmetric odd-length filter h over 0..0.5, found on kPeakPoints + 1
    // frequencies and, wherever it may exceed `limit` between them, refined to rounding; below
    // `limit` it may read up to 4 % (for 89 taps) under the true peak, never over it.
    struct Peak {
        double gain = 0.0;
        double frequency = 0.0;  // fraction of the sample rate
    };
    static Peak PeakGain(std::span<const double> h, double limit);

    // Fills coefficients[0..taps-1] with the designed filter, h(k) = h(taps-1-k). taps: odd,
    // 3..RemezExchange::kMaxTaps (the pipeline uses kTaps); edges in fractions of the sample
    // rate, made usable (UsableEdges); desired values finite; weights positive. The gain stays
    // within kMaxGain times the largest |desired| (at least 1) everywhere. Returns false, with
    // the coefficients zeroed (silence rather than noise), when taps, array, desired values or
    // weights are out of range, or (not seen with band-pass edges) when no narrowing gives a
    // levelled design within the bound.
    bool DesignBandPass(std::span<double> coefficients, int taps,
                        std::span<const double, 2 * kBands> edges,
                        std::span<const double, kBands> desired,
                        std::span<const double, kBands> weights);

    // Of the last design: its exchange (deviation, iterations), status, and how many times
    // its transitions were narrowed.
    const RemezExchange& Exchange() const { return exchange_; }
    RemezExchange::Status LastStatus() const { return status_; }
    int Narrowings() const { return narrowings_; }

private:
    RemezExchange exchange_;
    RemezExchange::Status status_ = RemezExchange::Status::Refused;
    int narrowings_ = 0;
};

}  // namespace tarnwick
