#pragma once

#include <cstdint>
#include <mutex>

#include "audio/ReceiveSettings.h"

namespace tarnwick {

// Hands the window's receive settings to the receive worker. The window's thread publishes a
// whole set whenever one of them changes; the worker takes a copy once per block, so a block
// is always processed with one consistent set.
//
// The filter generation counts changes of the filter values (centre, width, -60 dB width). The
// worker designs its band-pass when the generation differs from the one it last designed for.
// Values and generation are taken together under one lock, so a change published while a
// design runs carries a newer generation and is designed with the next block: it is never
// lost, and a design never mixes old and new values.
class ReceiveSettingsChannel {
public:
    struct Snapshot {
        ReceiveSettings settings;
        uint64_t filterGeneration = 0;
    };

    explicit ReceiveSettingsChannel(const ReceiveSettings& initial = {});

    void Publish(const ReceiveSettings& settings);
    // Copies into `snapshot`; taking into the same object again allocates nothing unless the
    // device name has grown.
    void Take(Snapshot& snapshot) const;
    Snapshot Take() const;

private:
    mutable std::mutex mutex_;
    Snapshot current_;
};

}  // namespace tarnwick
