#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// Ends automatic sending when nobody has touched the keyer for a while: an operator who falls
// asleep during an EME run must not transmit for hours. Every intent of the operator is a
// touch; the limit is in minutes, 0 turning the watchdog off. Time is the monotonic clock
// (nanoseconds), so a wall clock set back or forward neither fires it nor holds it off.
class TxWatchdog {
public:
    void Touch(int64_t nowNs) { lastTouchNs_ = nowNs; }
    // Whether `limitMinutes` (> 0) have passed since the last touch.
    bool Expired(int64_t nowNs, int limitMinutes) const;
    int64_t LastTouchNs() const { return lastTouchNs_; }

    // What the status bar says when it fired, with the UTC time of day it fired at.
    static std::string StoppedMessage(int limitMinutes, const std::string& utcTimeOfDay);

private:
    int64_t lastTouchNs_ = 0;
};

}  // namespace tarnwick
