#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwick::test {

// Where a tone is in a recording, found block by block.
class ToneSearch {
public:
    // Analysis blocks of `block` samples (256 at 11025 Hz is about 23 ms).
    ToneSearch(double hz, unsigned rate, size_t block = 256)
        : hz_(hz), rate_(rate), block_(block) {}

    // Power at the tone's frequency relative to the block's total power: 1 for a pure tone,
    // near 0 for silence, noise or a tone broken by a jump in phase.
    double Share(const double* x, size_t n) const;

    struct Heard {
        double from = -1;  // seconds from the recording's start
        double to = -1;
        double total = 0;  // seconds in all
        double Span() const { return from < 0 ? 0 : to - from; }
    };
    // The blocks, starting every `step` samples (a block by default), in which the tone is
    // loud (peak above `minPeak`) and clean (share above 0.8).
    Heard Find(const std::vector<double>& x, double minPeak, size_t step = 0) const;
    Heard Find(const std::vector<int16_t>& x, double minPeak) const;

    double BlockSeconds() const { return static_cast<double>(block_) / rate_; }

private:
    double hz_;
    unsigned rate_;
    size_t block_;
};

}  // namespace tarnwick::test
