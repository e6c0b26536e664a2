#include "audio/SpectrumHandOver.h"

#include <algorithm>

namespace tarnwick {

SpectrumHandOver::SpectrumHandOver() : slots_(std::make_unique<Slot[]>(3)) {}

void SpectrumHandOver::Publish(std::span<const double> average) {
    Slot& slot = slots_[back_];
    const std::size_t n = std::min<std::size_t>(average.size(), kDoubles);
    std::copy_n(average.data(), n, slot.values);
    std::fill(slot.values + n, slot.values + kDoubles, 0.0);
    slot.number = ++published_;
    // Release: the reader that takes this slot sees it whole. Acquire: the slot given back
    // is one the reader has finished with.
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kIndexMask;
}

SpectrumHandOver::View SpectrumHandOver::Latest() {
    if ((middle_.load(std::memory_order_relaxed) & kFresh) != 0) {
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndexMask;
    }
    const Slot& slot = slots_[front_];
    return {std::span<const double, kDoubles>(slot.values, kDoubles), slot.number};
}

}  // namespace tarnwick
