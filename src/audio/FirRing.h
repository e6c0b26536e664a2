#pragma once

#include <array>
#include <span>

namespace tarnwick {

// The delay line of a FIR filter with Taps taps, kept as a ring: the newest sample at the
// cursor, older ones after it, wrapping at the end. Every sample is stored twice, Taps places
// apart, so that the taps of one output always lie side by side and the sum needs no wrap test.
// The sum runs from the newest sample to the oldest, the order the pipeline's filters are
// defined in.
template <int Taps>
class FirRing {
    static_assert(Taps >= 1);

public:
    static constexpr int kTaps = Taps;

    // Silence, cursor at the start of the line.
    void Clear() {
        line_.fill(0.0);
        cursor_ = 0;
    }

    // Moves the cursor one place back (from the first place to the last) and stores the sample
    // there.
    void Push(double sample) {
        cursor_ = cursor_ == 0 ? Taps - 1 : cursor_ - 1;
        line_[cursor_] = sample;
        line_[cursor_ + Taps] = sample;
    }

    // sum of c[k] * (k-th newest sample), k = 0..Taps-1.
    double Convolve(std::span<const double, Taps> c) const {
        const double* x = line_.data() + cursor_;
        double sum = 0.0;
        for (int k = 0; k < Taps; ++k) {
            sum += c[k] * x[k];
        }
        return sum;
    }

    int Cursor() const { return cursor_; }

private:
    std::array<double, 2 * Taps> line_{};
    int cursor_ = 0;
};

}  // namespace tarnwick
