#include "audio/FftEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/SpectralMask.h"

namespace tarnwick {

namespace {

const double kPi = 4.0 * std::atan(1.0);

std::unique_ptr<double[]> Zeroed(int count) {
    return std::make_unique<double[]>(count);
}

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

}  // namespace

FftEngine::FftEngine()
    : timeBlock_(Zeroed(2 * kSize)),
      transformOut_(Zeroed(2 * kSize)),
      averageSpectrum_(Zeroed(2 * kSize)),
      window_(Zeroed(kSize)) {
    // Rectangular: the pipeline's decimation filter already shapes the band.
    std::fill_n(window_.get(), kSize, 1.0);
}

FftEngine::~FftEngine() = default;

int FftEngine::NumberOfBitsNeeded(int n) {
    if (n < 2) {
        std::fprintf(stderr,
                     ">>> Error in fftmisc: argument %d to NumberOfBitsNeeded is too small.\n", n);
        std::exit(1);
    }
    int bits = 0;
    while ((n & (1 << bits)) == 0) {
        ++bits;
    }
    return bits;
}

int FftEngine::BitReversedIndex(int index, int bits) {
    unsigned in = static_cast<unsigned>(index);
    unsigned result = 0;
    for (int i = 0; i < bits; ++i) {
        result = (result << 1) | (in & 1u);
        in >>= 1;
    }
    return static_cast<int>(result);
}

bool FftEngine::Transform(int n, bool inverse, std::span<const double> input,
                          std::span<double> output) {
    const int bits = NumberOfBitsNeeded(n);
    // Any other n would let the butterflies of the last stage run past the arrays.
    if (!IsPowerOfTwo(n)) {
        return false;
    }
    const std::size_t doubles = 2 * static_cast<std::size_t>(n);
    if (input.size() < doubles || output.size() < doubles) {
        return false;
    }
    if (n <= Radix2Kernel::kMaxSize) {
        kernel_.Run(n, bits, inverse, input, output);
    } else {
        TransformInPlace(n, bits, inverse, input, output);
    }
    return true;
}

void FftEngine::TransformInPlace(int n, int bits, bool inverse, std::span<const double> input,
                                 std::span<double> output) {
    double* out = output.data();
    for (int i = 0; i < n; ++i) {
        const int r = BitReversedIndex(i, bits);
        out[2 * r] = input[2 * static_cast<std::size_t>(i)];
        out[2 * r + 1] = input[2 * static_cast<std::size_t>(i) + 1];
    }
    const double angleNumerator = inverse ? -2.0 * kPi : 2.0 * kPi;
    for (int blockEnd = 1, blockSize = 2; blockSize <= n; blockEnd = blockSize, blockSize *= 2) {
        const double delta = angleNumerator / blockSize;
        const double sm2 = std::sin(-2.0 * delta);
        const double sm1 = std::sin(-delta);
        const double cm2 = std::cos(-2.0 * delta);
        const double cm1 = std::cos(-delta);
        const double w = 2.0 * cm1;
        for (int i = 0; i < n; i += blockSize) {
            double ar2 = cm2, ar1 = cm1, ai2 = sm2, ai1 = sm1;
            for (int j = i; j < i + blockEnd; ++j) {
                const double ar0 = w * ar1 - ar2;
                ar2 = ar1;
                ar1 = ar0;
                const double ai0 = w * ai1 - ai2;
                ai2 = ai1;
                ai1 = ai0;
                const int k = j + blockEnd;
                const double tr = ar0 * out[2 * k] - ai0 * out[2 * k + 1];
                const double ti = ar0 * out[2 * k + 1] + ai0 * out[2 * k];
                out[2 * k] = out[2 * j] - tr;
                out[2 * k + 1] = out[2 * j + 1] - ti;
                out[2 * j] = out[2 * j] + tr;
                out[2 * j + 1] = out[2 * j + 1] + ti;
            }
        }
    }
    if (inverse) {
        const double scale = static_cast<double>(n);
        for (std::size_t i = 0; i < 2 * static_cast<std::size_t>(n); ++i) {
            out[i] /= scale;
        }
    }
}

void FftEngine::LoadBlock(std::span<const double, kSize> samples) {
    for (int i = 0; i < kSize; ++i) {
        timeBlock_[2 * i] = window_[i] * samples[i];
        timeBlock_[2 * i + 1] = 0.0;
    }
}

void FftEngine::FilterBlock(int averaging, bool spectralFilter, int centreHz, int widthHz,
                            int bottomWidthHz, std::span<double, 2 * kSize> output) {
    averagingOn_ = averaging > 1 ? 1 : 0;
    averagingCount_ = averaging;

    const std::span<const double> time{timeBlock_.get(), 2 * kSize};
    const std::span<double> spectrum{transformOut_.get(), 2 * kSize};
    Transform(kSize, false, time, spectrum);

    double* average = averageSpectrum_.get();
    if (averagingOn_ != 0) {
        const double fresh = 1.0 / averaging;
        const double keep = 1.0 - fresh;
        for (int i = 0; i < 2 * kSize; ++i) {
            average[i] = keep * average[i] + fresh * spectrum[i];
        }
    } else {
        std::copy_n(spectrum.data(), 2 * kSize, average);
    }
    // The mask is applied to the average itself: the display shows the filtered spectrum and
    // the average goes on from it.
    if (spectralFilter) {
        SpectralMask(centreHz, widthHz, bottomWidthHz).Apply({average, 2 * kSize});
    }
    std::copy_n(average, 2 * kSize, timeBlock_.get());

    Transform(kSize, true, time, spectrum);
    for (int i = 0; i < kSize; ++i) {
        output[2 * i] = spectrum[2 * i];
        output[2 * i + 1] = 0.0;
    }
}

void FftEngine::ComputeLevels(int start, int end, int gain, std::span<int> levels) const {
    ComputeLevels(AverageSpectrum(), start, end, gain, levels);
}

void FftEngine::ComputeLevels(std::span<const double> spectrum, int start, int end, int gain,
                              std::span<int> levels) {
    const int points = static_cast<int>(std::min<std::size_t>(spectrum.size() / 2, kSize));
    const int last = std::min({end, static_cast<int>(levels.size()) - 1, 2 * points - 1});
    const double limit = kLevelLimit;
    for (int i = std::max(start, 0); i <= last; ++i) {
        const int point = i >> 1;
        const double re = spectrum[2 * static_cast<std::size_t>(point)];
        const double im = spectrum[2 * static_cast<std::size_t>(point) + 1];
        const double power = re * re + im * im;
        const double level = (std::log10(power + kLevelFloor) - kLevelOffset) * gain;
        // A non-finite spectrum shows as silence rather than reaching the int conversion.
        levels[static_cast<std::size_t>(i)] =
            !std::isnan(level) ? static_cast<int>(std::trunc(std::clamp(level, -limit, limit))) : 0;
    }
}

}  // namespace tarnwick
