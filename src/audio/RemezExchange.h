#pragma once

#include <span>
#include <vector>

namespace tarnwick {

// Equiripple (minimax) design of odd-length, symmetric FIR filters with several pass and stop
// bands: the Remez exchange in the form of the published McClellan-Parks-Rabiner program, in
// double precision. The weighted error |W(f) (H(f) - D(f))| is levelled over a dense grid of
// the bands; the result has the smallest largest weighted error the length allows.
//
// Frequencies are fractions of the sample rate, 0..0.5. The working storage (grid, desired
// values, weights, extremals) is allocated once, for kMaxTaps, and reused: Design allocates
// nothing. One Design at a time per object.
class RemezExchange {
public:
    static constexpr int kGridDensity = 64;      // grid points per approximating cosine
    static constexpr int kGridCapacity = 16512;  // grid points at most
    static constexpr int kMaxIterations = 150;
    static constexpr int kMaxTaps = 255;
    static constexpr int kMaxBands = 16;

    enum class Status {
        Converged,         // the extremal set stopped changing
        IterationLimit,    // kMaxIterations reached; the last extremal set is used
        DeviationStalled,  // the levelled deviation stopped growing; the last set is used
        Refused,           // the problem cannot be designed; the coefficients are zero
    };

    RemezExchange();

    // Grid spacing for a filter of `taps` taps: 0.5 / (kGridDensity * (taps / 2 + 1)).
    static double GridSpacing(int taps);

    // taps: odd, 3..kMaxTaps. edges: 2 per band, low and high, ascending, within 0..0.5; a band
    // may be a single frequency but must lie strictly above the band before it. desired: one
    // value per band. weights: one per band, positive. coefficients: at least `taps` entries;
    // receives h0..h(taps-1), symmetric. Anything else is Refused.
    Status Design(int taps, std::span<const double> edges, std::span<const double> desired,
                  std::span<const double> weights, std::span<double> coefficients);

    // Of the last Design: the levelled (weighted) deviation and the iterations run.
    double Deviation() const { return deviation_; }
    int Iterations() const { return iterations_; }
    int GridPoints() const { return ngrid_; }

private:
    static bool Acceptable(int taps, std::span<const double> edges, std::span<const double> desired,
                           std::span<const double> weights, std::size_t coefficientCount);
    bool BuildGrid(std::span<const double> edges, std::span<const double> desired,
                   std::span<const double> weights);
    // One levelling step on the current extremals; false when the deviation did not grow.
    bool Level(double previousDeviation, int* nu);
    // One search for a new extremal set; false when nothing changed and the design is done.
    bool Exchange(int nu);
    // Which neighbours of a point the search will probably want next.
    enum class Lookahead { Up, Down, Around };
    static constexpr int kBatch = 4;
    double WeightedError(int l, Lookahead lookahead);
    void InterpolateBatch(const double* xf, double* values) const;
    double Interpolate(double xf) const;
    void FinalCoefficients(std::span<const double> edges, std::span<double> coefficients);

    // 1-based like the published program: index 0 is unused, which keeps its bookkeeping (and
    // the sentinel one past the last extremal) readable.
    std::vector<double> grid_;
    std::vector<double> gridCos_;  // cos(2 pi grid): the interpolation abscissae
    std::vector<double> des_;
    std::vector<double> wt_;
    std::vector<double> errorCache_;
    std::vector<unsigned> errorStamp_;  // errorCache_ holds this level step's value when equal
    unsigned stamp_ = 0;
    std::vector<int> iext_;
    std::vector<double> x_;
    std::vector<double> y_;
    std::vector<double> ad_;
    std::vector<double> a_;
    std::vector<double> alpha_;
    std::vector<double> p_;
    std::vector<double> q_;

    int nfcns_ = 0;
    int ngrid_ = 0;
    double deviation_ = 0.0;
    int iterations_ = 0;
};

}  // namespace tarnwick
