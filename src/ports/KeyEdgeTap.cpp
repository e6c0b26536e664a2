#include "ports/KeyEdgeTap.h"

#include <algorithm>

#include "platform/TimeBase.h"

namespace tarnwick {

void KeyEdgeTap::Record(bool down) {
    RecordAt(down, RealTime().NowNs());
}

void KeyEdgeTap::RecordAt(bool down, int64_t ns) {
    // Sequentially consistent, so that a reader who sees a slot's new value also sees a count
    // that tells it the slot was reused (TakeSince).
    const uint64_t n = count_.load();
    slots_[n % kCapacity].store(ns * 2 + (down ? 1 : 0));
    count_.store(n + 1);
}

void KeyEdgeTap::TakeSince(uint64_t& cursor, std::vector<Edge>& out) const {
    const uint64_t end = count_.load();
    const uint64_t first = std::max(cursor, end > kCapacity ? end - kCapacity : 0);
    const size_t before = out.size();
    for (uint64_t i = first; i < end; ++i) {
        const int64_t v = slots_[i % kCapacity].load();
        out.push_back({v >> 1, (v & 1) != 0});
    }
    // The writer may have reused slots while they were read: edge i is still whole only if
    // the slot of edge i + capacity has not been started, which it is once the count reaches
    // i + capacity.
    const uint64_t after = count_.load();
    const uint64_t valid = after + 1 > kCapacity ? after + 1 - kCapacity : 0;
    if (valid > first) {
        const size_t lost = static_cast<size_t>(std::min(valid, end) - first);
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(before),
                  out.begin() + static_cast<std::ptrdiff_t>(before + lost));
    }
    cursor = end;
}

}  // namespace tarnwick
