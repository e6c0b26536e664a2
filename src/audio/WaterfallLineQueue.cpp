#include "audio/WaterfallLineQueue.h"

namespace tarnwick {

bool WaterfallLineQueue::Push(const Line& line) {
    const uint64_t pushed = pushed_.load(std::memory_order_relaxed);
    // Acquire: the slot about to be reused has been read to the end.
    if (pushed - taken_.load(std::memory_order_acquire) >= kCapacity) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    slots_[pushed % kCapacity] = line;
    // Release: the reader that sees the new count sees the whole line.
    pushed_.store(pushed + 1, std::memory_order_release);
    return true;
}

bool WaterfallLineQueue::Pop(Line& line) {
    const uint64_t taken = taken_.load(std::memory_order_relaxed);
    if (taken == pushed_.load(std::memory_order_acquire)) {
        return false;
    }
    line = slots_[taken % kCapacity];
    taken_.store(taken + 1, std::memory_order_release);
    return true;
}

}  // namespace tarnwick
