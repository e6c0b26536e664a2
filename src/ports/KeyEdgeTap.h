#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwick {

// The key's edges for a listener on another thread (the sidetone), each with its time on the
// monotonic clock. The keying thread records an edge with two atomic stores into a small ring:
// no lock and no wait, so the keying keeps its pace whatever the listener does. The listener
// takes the edges at its own pace; one that falls more than a ring behind loses the oldest.
class KeyEdgeTap {
public:
    static constexpr size_t kCapacity = 64;

    struct Edge {
        int64_t ns = 0;
        bool down = false;
    };

    // The keying thread (one thread at a time): the key went down or up now.
    void Record(bool down);
    // The same with the time given (tests).
    void RecordAt(bool down, int64_t ns);

    // The listener (one thread): appends the edges recorded since `cursor`, oldest first, and
    // moves the cursor past them. A new listener starts with a cursor of 0 and so also gets the
    // last edges before it came, which say where the key is.
    void TakeSince(uint64_t& cursor, std::vector<Edge>& out) const;

private:
    // Time * 2 + down, indexed by edge number modulo the capacity.
    std::array<std::atomic<int64_t>, kCapacity> slots_{};
    // Edges recorded so far.
    std::atomic<uint64_t> count_{0};
};

}  // namespace tarnwick
