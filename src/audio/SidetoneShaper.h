#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace tarnwick {

// A key change inside a block of samples: from sample `at` on, the key is `down`.
struct KeyChange {
    size_t at = 0;
    bool down = false;
};

// Turns the key into a tone that does not click: a sine whose level rises and falls along a
// raised cosine of a few milliseconds at each key edge, starting at the edge, so a tone lasts
// as long as the key was down (measured at half level). Exactly zero while the key is up and
// the fall is over. The sine runs on across blocks and pitch changes without a jump in phase.
class SidetoneShaper {
public:
    // `rate` samples per second; `rampMs` the rise and the fall; `amplitude` the peak on the
    // 16-bit scale.
    SidetoneShaper(unsigned rate, double hz, double rampMs, double amplitude);

    void SetPitch(double hz);
    // Fills `out`; `changes` in order of `at` (one past the block counts as its end).
    void Render(std::span<const KeyChange> changes, std::span<double> out);

    bool KeyDown() const { return down_; }
    bool Silent() const { return level_ == 0; }

private:
    double rate_;
    double step_ = 0;  // radians per sample
    double phase_ = 0;
    double amplitude_;
    // The ramp's levels, 0 (silent) to full; level_ indexes it.
    std::vector<double> ramp_;
    size_t level_ = 0;
    bool down_ = false;
};

}  // namespace tarnwick
