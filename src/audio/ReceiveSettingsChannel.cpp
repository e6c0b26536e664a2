#include "audio/ReceiveSettingsChannel.h"

namespace tarnwick {

ReceiveSettingsChannel::ReceiveSettingsChannel(const ReceiveSettings& initial)
    : current_{initial, 0} {}

void ReceiveSettingsChannel::Publish(const ReceiveSettings& settings) {
    std::lock_guard lock(mutex_);
    if (!settings.SameFilterValues(current_.settings)) {
        ++current_.filterGeneration;
    }
    current_.settings = settings;
}

void ReceiveSettingsChannel::Take(Snapshot& snapshot) const {
    std::lock_guard lock(mutex_);
    snapshot = current_;
}

ReceiveSettingsChannel::Snapshot ReceiveSettingsChannel::Take() const {
    Snapshot snapshot;
    Take(snapshot);
    return snapshot;
}

}  // namespace tarnwick
