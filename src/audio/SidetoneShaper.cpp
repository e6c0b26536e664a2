#include "audio/SidetoneShaper.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarnwick {

SidetoneShaper::SidetoneShaper(unsigned rate, double hz, double rampMs, double amplitude)
    : rate_(rate), amplitude_(amplitude) {
    const size_t steps =
        std::max<size_t>(1, static_cast<size_t>(std::lround(rampMs * rate / 1000)));
    ramp_.resize(steps + 1);
    for (size_t k = 0; k <= steps; ++k) {
        ramp_[k] = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(k) / steps);
    }
    SetPitch(hz);
}

void SidetoneShaper::SetPitch(double hz) {
    step_ = 2 * std::numbers::pi * hz / rate_;
}

void SidetoneShaper::Render(std::span<const KeyChange> changes, std::span<double> out) {
    const size_t full = ramp_.size() - 1;
    auto next = changes.begin();
    for (size_t i = 0; i < out.size(); ++i) {
        while (next != changes.end() && next->at <= i) {
            down_ = next->down;
            ++next;
        }
        // A key that turns during a ramp turns the ramp from where it is: the level never jumps.
        if (down_ && level_ < full) {
            ++level_;
        } else if (!down_ && level_ > 0) {
            --level_;
        }
        out[i] = level_ == 0 ? 0.0 : amplitude_ * ramp_[level_] * std::sin(phase_);
        phase_ += step_;
        if (phase_ >= 2 * std::numbers::pi) {
            phase_ -= 2 * std::numbers::pi;
        }
    }
    // Changes at the block's end hold from the next block's first sample.
    for (; next != changes.end(); ++next) {
        down_ = next->down;
    }
}

}  // namespace tarnwick
