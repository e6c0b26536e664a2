#pragma once

#include <atomic>
#include <cstdint>

#include "platform/NoticeSink.h"

namespace tarnwick {

// The sink everything sending a message posts through (the engine's worker, the keying port
// manager, the transmit-inhibit watchers): it numbers the messages, stamps every notice with the
// serial of the message being sent, and lets only the first end notice of a message through, so
// every message ends with exactly one. The window tells by the serial which message a notice
// belongs to.
class MessageNotices : public NoticeSink {
public:
    explicit MessageNotices(NoticeSink& view) : view_(view) {}

    // Starts the next message; returns its serial.
    uint64_t Begin() { return serial_.fetch_add(1) + 1; }
    // The serial of the message being sent (or last sent); 0 before the first.
    uint64_t Serial() const { return serial_.load(); }
    // True once per message, for whoever ends it first: that one reports the end (or, for a
    // stop the window made itself, makes sure no report follows).
    bool ClaimEnd(uint64_t serial);

protected:
    void Deliver(Notice notice) override;

private:
    NoticeSink& view_;
    std::atomic<uint64_t> serial_{0};
    std::atomic<uint64_t> endClaimed_{0};
};

}  // namespace tarnwick
