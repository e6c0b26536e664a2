#pragma once

#include <span>

#include "audio/FirRing.h"
#include "audio/ReceiveFilterTables.h"

namespace tarnwick {

// The 45-tap low-pass that turns the zero-stuffed 11025 per second block back into a smooth
// signal, in place, one output per input. The delay line carries over from block to block.
class Interpolator {
public:
    static constexpr int kTaps = static_cast<int>(kInterpolationFilter.size());

    void Clear() { line_.Clear(); }

    void Run(std::span<double> block) {
        for (double& sample : block) {
            line_.Push(sample);
            sample = line_.Convolve(kInterpolationFilter);
        }
    }

    const FirRing<kTaps>& Line() const { return line_; }

private:
    FirRing<kTaps> line_;
};

}  // namespace tarnwick
