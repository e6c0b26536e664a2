#include "audio/FftEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "audio/Radix2Kernel.h"

namespace tarnwick {
namespace {

constexpr int kN = FftEngine::kSize;

std::vector<double> RandomComplex(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-1000.0, 1000.0);
    std::vector<double> v(2 * static_cast<std::size_t>(n));
    for (double& x : v) {
        x = dist(rng);
    }
    return v;
}

// The definition: X[k] = sum x[m] e^(sign 2 pi i mk/n), scaled by 1/n for the inverse, summed
// in long double with exact table angles.
std::vector<double> NaiveDft(const std::vector<double>& in, int n, bool inverse) {
    const long double sign = inverse ? -1.0L : 1.0L;
    std::vector<std::complex<long double>> root(n);
    for (int k = 0; k < n; ++k) {
        const long double angle = sign * 2.0L * M_PIl * k / n;
        root[k] = {std::cos(angle), std::sin(angle)};
    }
    std::vector<double> out(2 * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        std::complex<long double> sum = 0.0;
        for (int m = 0; m < n; ++m) {
            sum += std::complex<long double>(in[2 * m], in[2 * m + 1]) *
                   root[(static_cast<long>(m) * k) % n];
        }
        if (inverse) {
            sum /= static_cast<long double>(n);
        }
        out[2 * k] = static_cast<double>(sum.real());
        out[2 * k + 1] = static_cast<double>(sum.imag());
    }
    return out;
}

// The radix-2 loop written out as the textbook gives it, in place on interleaved data, with
// the twiddles from the recurrence restarted at every block.
std::vector<double> TextbookTransform(const std::vector<double>& in, int n, bool inverse) {
    std::vector<double> out(in.size());
    const int bits = FftEngine::NumberOfBitsNeeded(n);
    for (int i = 0; i < n; ++i) {
        const int r = FftEngine::BitReversedIndex(i, bits);
        out[2 * r] = in[2 * i];
        out[2 * r + 1] = in[2 * i + 1];
    }
    const double angle = (inverse ? -2.0 : 2.0) * 4.0 * std::atan(1.0);
    for (int blockEnd = 1, blockSize = 2; blockSize <= n; blockEnd = blockSize, blockSize *= 2) {
        const double delta = angle / blockSize;
        const double w = 2.0 * std::cos(-delta);
        for (int i = 0; i < n; i += blockSize) {
            double ar2 = std::cos(-2.0 * delta), ar1 = std::cos(-delta);
            double ai2 = std::sin(-2.0 * delta), ai1 = std::sin(-delta);
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
        for (double& x : out) {
            x /= n;
        }
    }
    return out;
}

double MaxAbsDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        worst = std::max(worst, std::fabs(a[i] - b[i]));
    }
    return worst;
}

TEST(FftEngineTest, BitHelpers) {
    EXPECT_EQ(FftEngine::NumberOfBitsNeeded(1024), 10);
    EXPECT_EQ(FftEngine::NumberOfBitsNeeded(2), 1);
    EXPECT_EQ(FftEngine::BitReversedIndex(1, 10), 512);
    EXPECT_EQ(FftEngine::BitReversedIndex(3, 10), 768);
    EXPECT_EQ(FftEngine::BitReversedIndex(0b0000000110, 10), 0b0110000000);
    // Only the lowest `bits` bits take part.
    EXPECT_EQ(FftEngine::BitReversedIndex(0b101, 2), 0b10);
    for (int i = 0; i < kN; ++i) {
        ASSERT_EQ(FftEngine::BitReversedIndex(FftEngine::BitReversedIndex(i, 10), 10), i);
    }
}

TEST(FftEngineDeathTest, TooSmallSizeEndsTheProcess) {
    EXPECT_EXIT(FftEngine::NumberOfBitsNeeded(1), testing::ExitedWithCode(1),
                ">>> Error in fftmisc: argument 1 to NumberOfBitsNeeded is too small.");
    EXPECT_EXIT(FftEngine::NumberOfBitsNeeded(0), testing::ExitedWithCode(1),
                "argument 0 to NumberOfBitsNeeded");
}

TEST(FftEngineTest, ConstructionState) {
    FftEngine fft;
    for (double w : fft.Window()) {
        ASSERT_EQ(w, 1.0);
    }
    for (double a : fft.AverageSpectrum()) {
        ASSERT_EQ(a, 0.0);
    }
    EXPECT_EQ(fft.AveragingOn(), 0);
    EXPECT_EQ(fft.AveragingCount(), 1);
}

// Two routes to one answer: the transform against the sum that defines it, every size the
// kernel holds and one beyond, both directions.
TEST(FftEngineTest, TransformMatchesTheDefiningSum) {
    FftEngine fft;
    for (int n = 2; n <= 2 * kN; n *= 2) {
        for (bool inverse : {false, true}) {
            SCOPED_TRACE(testing::Message() << "n " << n << (inverse ? " inverse" : " forward"));
            const std::vector<double> in = RandomComplex(n, static_cast<unsigned>(n));
            std::vector<double> out(in.size());
            ASSERT_TRUE(fft.Transform(n, inverse, in, out));
            // The recurrence's twiddles drift by some 1e-12 over a 512-step stage; a wrong
            // sign, index or scale would be off by the size of the values themselves.
            const double scale = inverse ? 1000.0 : 1000.0 * n;
            EXPECT_LT(MaxAbsDifference(out, NaiveDft(in, n, inverse)), scale * 1e-11);
        }
    }
}

// Every vector variant computes the textbook loop's very bits, so results do not depend on
// the processor.
TEST(FftEngineTest, EveryKernelVariantGivesTheTextbookBits) {
    for (int width : {2, 4, 8}) {
        Radix2Kernel kernel(width);
        for (int n = 2; n <= Radix2Kernel::kMaxSize; n *= 2) {
            for (bool inverse : {false, true}) {
                SCOPED_TRACE(testing::Message() << "width " << kernel.VectorWidth() << " n " << n
                                                << (inverse ? " inverse" : " forward"));
                const std::vector<double> in = RandomComplex(n, 7u * n + width);
                std::vector<double> out(in.size());
                kernel.Run(n, FftEngine::NumberOfBitsNeeded(n), inverse, in, out);
                const std::vector<double> expected = TextbookTransform(in, n, inverse);
                ASSERT_EQ(0, std::memcmp(out.data(), expected.data(), out.size() * sizeof(double)));
            }
        }
    }
}

TEST(FftEngineTest, ImpulsesAndConstants) {
    FftEngine fft;
    std::vector<double> in(2 * kN, 0.0), out(2 * kN), back(2 * kN);

    in[0] = 1.0;  // unit impulse at point 0: flat spectrum
    ASSERT_TRUE(fft.Transform(kN, false, in, out));
    for (int k = 0; k < kN; ++k) {
        ASSERT_NEAR(out[2 * k], 1.0, 1e-11);
        ASSERT_NEAR(out[2 * k + 1], 0.0, 1e-11);
    }
    ASSERT_TRUE(fft.Transform(kN, true, out, back));
    EXPECT_LT(MaxAbsDifference(back, in), 1e-11);

    std::fill(in.begin(), in.end(), 0.0);
    for (int i = 0; i < kN; ++i) {
        in[2 * i] = 1.0;  // constant: all energy at point 0, unscaled
    }
    ASSERT_TRUE(fft.Transform(kN, false, in, out));
    EXPECT_NEAR(out[0], 1024.0, 1e-9);
    for (int k = 1; k < kN; ++k) {
        ASSERT_NEAR(std::hypot(out[2 * k], out[2 * k + 1]), 0.0, 1e-9);
    }

    std::fill(in.begin(), in.end(), 0.0);
    in[2] = 1.0;  // impulse at point 1: e^(+2 pi i k / 1024), the sign convention
    ASSERT_TRUE(fft.Transform(kN, false, in, out));
    EXPECT_NEAR(out[2 * 256], 0.0, 1e-11);
    EXPECT_NEAR(out[2 * 256 + 1], 1.0, 1e-11);
    EXPECT_NEAR(out[2 * 768], 0.0, 1e-11);
    EXPECT_NEAR(out[2 * 768 + 1], -1.0, 1e-11);
}

TEST(FftEngineTest, RefusesSizesThatWouldLeaveTheArrays) {
    FftEngine fft;
    const std::vector<double> in = RandomComplex(16, 1);
    std::vector<double> out(32, 5.0);
    EXPECT_FALSE(fft.Transform(6, false, in, out));
    EXPECT_FALSE(fft.Transform(12, false, in, out));
    EXPECT_FALSE(fft.Transform(32, false, in, out));  // arrays hold 16 points
    EXPECT_EQ(out, std::vector<double>(32, 5.0));
    EXPECT_TRUE(fft.Transform(16, false, in, out));
}

}  // namespace
}  // namespace tarnwick
