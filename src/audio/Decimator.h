#pragma once

#include <span>

#include "audio/FirRing.h"

namespace tarnwick {

// Low-pass filtering and decimation by 2 in one step, in place: the filter runs over every
// input sample and an output is taken at every odd-numbered one. The delay line carries over
// from one call to the next, so blocks of even length make one continuous stream. The
// coefficients are given per call because the pipeline's designed filter can change between
// blocks while its delay line goes on.
template <int Taps>
class Decimator {
public:
    static constexpr int kTaps = Taps;

    void Clear() { line_.Clear(); }

    // block[0..n/2-1] receive the outputs of the n input samples (n even); the rest of the
    // block keeps its input. Returns n/2.
    std::size_t Run(std::span<double> block, std::span<const double, Taps> coefficients) {
        std::size_t out = 0;
        for (std::size_t j = 0; j < block.size(); ++j) {
            line_.Push(block[j]);
            if (j % 2 == 1) {
                // Output `out` lies at or before input j, which has already been taken.
                block[out++] = line_.Convolve(coefficients);
            }
        }
        return out;
    }

    const FirRing<Taps>& Line() const { return line_; }

private:
    FirRing<Taps> line_;
};

}  // namespace tarnwick
