#pragma once

#include <cstdint>
#include <vector>

namespace tarnwick {

// Where a keyer session takes the receive side's finished spectra from: each published average
// whole (1024 complex points, real and imaginary parts interleaved), never one being written.
// The receive side implements it; it is read from one thread (the display's).
class SpectrumFeed {
public:
    virtual ~SpectrumFeed() = default;
    // Copies the newest finished spectrum into `out` when it is newer than the one numbered
    // `seen` and returns its number; returns `seen` and leaves `out` alone otherwise.
    virtual uint64_t CopyLatest(uint64_t seen, std::vector<double>& out) = 0;
};

}  // namespace tarnwick
