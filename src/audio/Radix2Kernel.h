#pragma once

#include <memory>
#include <span>

namespace tarnwick {

struct Radix2Job;

// The radix-2 decimation-in-time transform of FftEngine for sizes up to kMaxSize, arranged for
// speed but bit for bit the same arithmetic as the textbook loop: the twiddle factors are the
// values of the trigonometric recurrence (restarted identically for every block of a stage, so
// one table per stage holds them all), the butterflies are the same expressions in the same
// order, only on separate real and imaginary arrays so that they run several at a time.
//
// All storage is allocated at construction; Run allocates nothing. One Run at a time.
class Radix2Kernel {
public:
    static constexpr int kMaxBits = 10;
    static constexpr int kMaxSize = 1 << kMaxBits;

    // maxVectorWidth: at most this many doubles per vector (2, 4 or 8); the widest the
    // processor offers within it is used. Narrower variants exist for tests and benchmarks.
    explicit Radix2Kernel(int maxVectorWidth = 8);
    ~Radix2Kernel();
    Radix2Kernel(const Radix2Kernel&) = delete;
    Radix2Kernel& operator=(const Radix2Kernel&) = delete;

    // n: a power of two, 2..kMaxSize; bits = log2(n). input and output: n complex values
    // (2n doubles, real part first), distinct arrays. The inverse is scaled by 1/n.
    void Run(int n, int bits, bool inverse, std::span<const double> input,
             std::span<double> output);

    // Doubles per vector in the variant chosen at construction.
    int VectorWidth() const { return vectorWidth_; }

    // Twiddle factor m of the stage whose blocks hold 2 * half points, as the recurrence gives it.
    double TwiddleRe(bool inverse, int half, int m) const;
    double TwiddleIm(bool inverse, int half, int m) const;

private:
    void FillTwiddles(bool inverse);

    // Aligned to a cache line so that whole vectors never straddle one.
    struct AlignedDeleter {
        void operator()(double* p) const;
    };
    using Buffer = std::unique_ptr<double[], AlignedDeleter>;
    static Buffer Allocate(int count);

    // Split work arrays: real and imaginary parts of the n points.
    Buffer re_;
    Buffer im_;
    // Per direction, the twiddles of the stage with half-block size h at [h, 2h).
    Buffer twiddleRe_[2];
    Buffer twiddleIm_[2];
    std::unique_ptr<int[]> reversed_;  // kMaxBits-bit reversal of every index
    int vectorWidth_ = 1;
    void (*run_)(const Radix2Job& job) = nullptr;
};

}  // namespace tarnwick
