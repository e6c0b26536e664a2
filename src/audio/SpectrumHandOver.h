#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

#include "audio/FftEngine.h"

namespace tarnwick {

// Hands each finished averaged spectrum from the receive worker to the waterfall's drawing
// thread without a lock and without either side ever waiting: a triple buffer. The worker
// fills its own buffer and swaps it with the middle one; the reader swaps its buffer with the
// middle one when a newer spectrum lies there. Each side only ever touches its own buffer, so
// the reader sees whole spectra, never one being averaged or masked.
//
// One writer thread (the receive worker) and one reader thread (the drawing thread). Nothing
// is allocated after construction.
class SpectrumHandOver {
public:
    static constexpr int kDoubles = 2 * FftEngine::kSize;

    struct View {
        // The averaged spectrum, 1024 complex points; all zero before the first one.
        std::span<const double, kDoubles> average;
        // How many spectra had been published when this one was; 0 before the first.
        uint64_t number;
    };

    SpectrumHandOver();
    SpectrumHandOver(const SpectrumHandOver&) = delete;
    SpectrumHandOver& operator=(const SpectrumHandOver&) = delete;

    // Writer only: publishes a copy of `average` (kDoubles values; a shorter span is padded
    // with zeros, a longer one cut).
    void Publish(std::span<const double> average);

    // Reader only: the newest published spectrum. The view stays valid and unchanged until
    // the reader's next call.
    View Latest();

private:
    struct Slot {
        double values[kDoubles];
        uint64_t number;
    };
    // The middle index carries this bit while it holds a spectrum the reader has not taken.
    static constexpr unsigned kFresh = 4;
    static constexpr unsigned kIndexMask = 3;

    std::unique_ptr<Slot[]> slots_;
    std::atomic<unsigned> middle_{1};
    unsigned back_ = 0;       // the writer's
    unsigned front_ = 2;      // the reader's
    uint64_t published_ = 0;  // the writer's count
};

}  // namespace tarnwick
