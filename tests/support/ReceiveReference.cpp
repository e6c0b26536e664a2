#include "support/ReceiveReference.h"

#include <cmath>
#include <numbers>

#include "audio/ReceiveFilterTables.h"

namespace tarnwick::test {

namespace {

constexpr int kBlock = 2048;
constexpr int kPoints = 1024;

}  // namespace

ReceiveReference::ReceiveReference(std::vector<double> firCoefficients)
    : fir_(std::move(firCoefficients)), average_(kPoints), twiddle_(kPoints) {
    for (int m = 0; m < kPoints; ++m) {
        twiddle_[m] = std::polar(1.0, 2.0 * std::numbers::pi * m / kPoints);
    }
}

double ReceiveReference::DirectSum(const std::vector<double>& c, const std::vector<double>& history,
                                   long n) {
    double sum = 0.0;
    for (long m = 0; m < static_cast<long>(c.size()); ++m) {
        const long at = n - m;
        sum += c[m] * (at >= 0 ? history[at] : 0.0);
    }
    return sum;
}

std::vector<std::complex<double>> ReceiveReference::Dft(const std::vector<std::complex<double>>& x,
                                                        bool inverse) const {
    std::vector<std::complex<double>> out(kPoints);
    for (int k = 0; k < kPoints; ++k) {
        std::complex<double> sum = 0.0;
        for (int m = 0; m < kPoints; ++m) {
            const std::complex<double> w = twiddle_[(m * k) % kPoints];
            sum += x[m] * (inverse ? std::conj(w) : w);
        }
        out[k] = inverse ? sum / static_cast<double>(kPoints) : sum;
    }
    return out;
}

double ReceiveReference::MaskFactor(int i, int centre, int width, int bottom) {
    const double perHz = 1024.0 / 5512.0;
    const int h = width / 2;
    const int b = bottom / 2;
    const int i0 = static_cast<int>(std::trunc((centre - h - b) * perHz));
    const int i1 = static_cast<int>(std::trunc((centre - h) * perHz));
    const int i2 = static_cast<int>(std::trunc((centre + h) * perHz));
    const int i3 = static_cast<int>(std::trunc((centre + h + b) * perHz));
    if (i < i0 || i >= i3) {
        return 0.0;
    }
    if (i < i1) {
        return static_cast<double>(i - i0) / (i1 - i0);
    }
    if (i >= i2) {
        return static_cast<double>(i3 - i) / (i3 - i2);
    }
    return 1.0;
}

std::vector<double> ReceiveReference::Block(const std::vector<double>& captured,
                                            const Settings& s) {
    std::vector<double>& history = s.fir ? firHistory_ : fixedHistory_;
    const std::vector<double> fixed(kDecimationFilter.begin(), kDecimationFilter.end());
    const std::vector<double>& c = s.fir ? fir_ : fixed;
    const long start = static_cast<long>(history.size());
    history.insert(history.end(), captured.begin(), captured.end());

    std::vector<std::complex<double>> decimated(kPoints);
    for (int k = 0; k < kPoints; ++k) {
        decimated[k] = DirectSum(c, history, start + 2 * k + 1);
    }

    const std::vector<std::complex<double>> spectrum = Dft(decimated, false);
    for (int i = 0; i < kPoints; ++i) {
        if (s.averaging > 1) {
            const double a = s.averaging;
            average_[i] = (1.0 - 1.0 / a) * average_[i] + (1.0 / a) * spectrum[i];
        } else {
            average_[i] = spectrum[i];
        }
        if (s.fft) {
            average_[i] *= MaskFactor(i, s.centre, s.width, s.bottom);
        }
    }
    const std::vector<std::complex<double>> back = Dft(average_, true);

    const long stuffedStart = static_cast<long>(stuffedHistory_.size());
    for (int i = 0; i < kPoints; ++i) {
        stuffedHistory_.push_back(back[i].real());
        stuffedHistory_.push_back(0.0);
    }
    const std::vector<double> smooth(kInterpolationFilter.begin(), kInterpolationFilter.end());
    std::vector<double> out(kBlock);
    for (int n = 0; n < kBlock; ++n) {
        out[n] = DirectSum(smooth, stuffedHistory_, stuffedStart + n);
    }
    return out;
}

}  // namespace tarnwick::test
