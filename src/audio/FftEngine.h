#pragma once

#include <memory>
#include <span>

#include "audio/Radix2Kernel.h"

namespace tarnwick {

// The receive side's 1024-point spectrum work: the buffers the pipeline loads, transforms,
// averages, masks and transforms back, and the averaged spectrum the waterfall reads.
//
// Complex arrays hold real and imaginary parts interleaved (2N doubles for N points). The
// forward transform computes X[k] = sum x[m] e^(+2 pi i mk/n) unscaled; the inverse uses
// e^(-2 pi i mk/n) and divides by n. Point k of a 1024-point spectrum of a block sampled at r
// per second lies at k r / 1024 Hz; points 512..1023 are the negative frequencies.
//
// Nothing is allocated after construction. Everything here belongs to the receive worker; the
// waterfall reads the averaged spectrum only as published through a SpectrumHandOver, since
// the average is masked in place after it is formed.
class FftEngine {
public:
    static constexpr int kSize = 1024;
    static constexpr int kBits = 10;
    // Silence floor and scale of the waterfall levels: log10 of the floor is kLevelOffset.
    static constexpr double kLevelFloor = 28145.8;
    static constexpr double kLevelOffset = 4.4494132;

    FftEngine();
    virtual ~FftEngine();
    FftEngine(const FftEngine&) = delete;
    FftEngine& operator=(const FftEngine&) = delete;

    // n-point transform from input to output (distinct arrays of at least 2n doubles). n must
    // be a power of two; returns false, leaving output alone, for any other n of 2 or more or
    // for arrays too short. n below 2 ends the process (see NumberOfBitsNeeded).
    bool Transform(int n, bool inverse, std::span<const double> input, std::span<double> output);

    // Index bits of an n-point transform (the position of n's lowest set bit). n below 2 is a
    // programming error: a message on stderr and exit status 1.
    static int NumberOfBitsNeeded(int n);
    // index with its lowest `bits` bits in reverse order (bits 0..31).
    static int BitReversedIndex(int index, int bits);

    // timeBlock[i] = window[i] * samples[i] + 0i, i = 0..1023.
    void LoadBlock(std::span<const double, kSize> samples);

    // One block of the receive pipeline: forward transform of timeBlock, running average over
    // `averaging` blocks (0 or 1: none), optional spectral band-pass mask (centre, width and
    // -60 dB width in Hz, see SpectralMask), inverse transform, and the real part zero-stuffed
    // into `output` for the 11025 per second interpolator: output[2i] = re, output[2i+1] = 0.
    void FilterBlock(int averaging, bool spectralFilter, int centreHz, int widthHz,
                     int bottomWidthHz, std::span<double, 2 * kSize> output);

    // Waterfall colour levels: for i = start..end, levels[i] =
    // trunc((log10(P + kLevelFloor) - kLevelOffset) * gain) with P the power of averaged point
    // i / 2. Indices outside levels (or beyond the spectrum's 2 * kSize half points) are
    // skipped; levels are limited to +-kLevelLimit so that a wild gain cannot overflow.
    static constexpr int kLevelLimit = 1 << 20;
    void ComputeLevels(int start, int end, int gain, std::span<int> levels) const;
    // The same for any averaged spectrum of 1024 complex points (shorter spans: the points
    // beyond them are skipped).
    static void ComputeLevels(std::span<const double> spectrum, int start, int end, int gain,
                              std::span<int> levels);

    std::span<const double> TimeBlock() const { return {timeBlock_.get(), 2 * kSize}; }
    std::span<const double> TransformOut() const { return {transformOut_.get(), 2 * kSize}; }
    std::span<const double> AverageSpectrum() const { return {averageSpectrum_.get(), 2 * kSize}; }
    std::span<const double> Window() const { return {window_.get(), kSize}; }
    int AveragingOn() const { return averagingOn_; }
    int AveragingCount() const { return averagingCount_; }
    // Width of the vector code the transform runs on this processor (for the benchmarks).
    int VectorWidth() const { return kernel_.VectorWidth(); }

private:
    // The plain loop for sizes beyond the kernel's tables; same arithmetic.
    static void TransformInPlace(int n, int bits, bool inverse, std::span<const double> input,
                                 std::span<double> output);

    std::unique_ptr<double[]> timeBlock_;
    std::unique_ptr<double[]> transformOut_;
    std::unique_ptr<double[]> averageSpectrum_;
    std::unique_ptr<double[]> window_;
    int averagingOn_ = 0;
    int averagingCount_ = 1;
    Radix2Kernel kernel_;
};

}  // namespace tarnwick
