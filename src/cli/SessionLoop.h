#pragma once

#include <functional>

#include "send/NoticeQueue.h"

namespace tarnwick {
class Event;
class KeyerSession;
class TimeBase;
class UtcClock;
}  // namespace tarnwick

namespace tarnwick::cli {

// The main loop of a command without a window, playing the window's part for a keyer session:
// the session's notices are queued here and handed to it on the loop's thread, and its clock
// tick fires just after every whole UTC second.
class SessionLoop {
public:
    SessionLoop(TimeBase& time, const UtcClock& clock) : time_(time), clock_(clock) {}

    // The channel the session's notices go through (KeyerSessionSetup::notices).
    NoticeQueue& Notices() { return queue_; }
    // Hands every notice to `session`, and ticks it when `ticking`, until `done` holds (asked
    // after every notice and tick) or `stop` is signalled. False on a stop.
    bool Run(KeyerSession& session, Event& stop, bool ticking, const std::function<bool()>& done);
    // Hands the notices already queued to `session`, without waiting.
    void Drain(KeyerSession& session);

private:
    TimeBase& time_;
    const UtcClock& clock_;
    NoticeQueue queue_;
};

}  // namespace tarnwick::cli
