#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "audio/WaterfallLineMaker.h"

namespace tarnwick {

// Hands the waterfall's lines from the drawing thread to the window's thread without a lock:
// a single-producer, single-consumer ring. Neither side ever waits for the other, so a drawing
// thread held up by the scheduler (it runs below normal priority) cannot hold up the window.
// When the window has not taken kCapacity lines (12 s of receive blocks) further lines are
// dropped, and counted, until it does.
//
// Push belongs to one thread (the drawing thread), Pop to one other (the window's).
class WaterfallLineQueue {
public:
    using Line = WaterfallLineMaker::Line;
    static constexpr uint64_t kCapacity = 64;

    // False, and the line counted as dropped, when the queue is full.
    bool Push(const Line& line);
    // The oldest line not yet taken; false when there is none.
    bool Pop(Line& line);
    uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    std::array<Line, kCapacity> slots_{};
    // Lines pushed and lines taken so far; slot = count % kCapacity.
    std::atomic<uint64_t> pushed_{0};
    std::atomic<uint64_t> taken_{0};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace tarnwick
