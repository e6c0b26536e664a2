#include "support/ToneSearch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarnwick::test {

double ToneSearch::Share(const double* x, size_t n) const {
    // Goertzel: the power of one frequency bin without a whole transform.
    const double c = 2 * std::cos(2 * std::numbers::pi * hz_ / rate_);
    double s1 = 0, s2 = 0, total = 0;
    for (size_t i = 0; i < n; ++i) {
        const double s = x[i] + c * s1 - s2;
        s2 = s1;
        s1 = s;
        total += x[i] * x[i];
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return total > 0 ? 2 * power / (static_cast<double>(n) * total) : 0;
}

ToneSearch::Heard ToneSearch::Find(const std::vector<double>& x, double minPeak,
                                   size_t step) const {
    Heard h;
    step = step == 0 ? block_ : step;
    const double stepSeconds = static_cast<double>(step) / rate_;
    for (size_t at = 0; at + block_ <= x.size(); at += step) {
        double peak = 0;
        for (size_t i = at; i < at + block_; ++i) {
            peak = std::max(peak, std::abs(x[i]));
        }
        if (peak > minPeak && Share(&x[at], block_) > 0.8) {
            const double t = static_cast<double>(at) / rate_;
            if (h.from < 0) {
                h.from = t;
            }
            h.to = t + BlockSeconds();
            h.total += stepSeconds;
        }
    }
    return h;
}

ToneSearch::Heard ToneSearch::Find(const std::vector<int16_t>& x, double minPeak) const {
    return Find(std::vector<double>(x.begin(), x.end()), minPeak);
}

}  // namespace tarnwick::test
