#pragma once

#include <functional>
#include <optional>

#include "platform/NoticeSink.h"

namespace tarnwick {
class Event;
class NoticeQueue;
class TimeBase;
class TransmitEngine;
}  // namespace tarnwick

namespace tarnwick::test {

// How a message handled by the driver ended.
enum class SendOutcome { Completed, Failed, Inhibited, Stopped };

// Plays the operating window's part for the engine in the engine's own tests and benchmarks,
// below the keyer session: answers the engine's PTT requests, hands text runs to the
// rig-control link, passes the link's news to the engine, and on the end notice (or a stop) stops
// the engine where needed and releases the devices, so PTT is down on every way out. Notices of a
// message that is no longer current are answered and otherwise dropped. Programs use the keyer
// session instead.
class EngineDriver {
public:
    EngineDriver(TransmitEngine& engine, NoticeQueue& queue, TimeBase& time)
        : engine_(engine), queue_(queue), time_(time) {}

    // Called with every notice acted on (on the driver's thread) after it was handled.
    std::function<void(const Notice&)> observer;

    // Handles one notice as the window does; the outcome when it ended the message.
    std::optional<SendOutcome> Handle(const Notice& notice);
    // Runs until the message ends or `stop` is signalled.
    SendOutcome RunUntilDone(Event* stop);
    // False when the last release of the devices could not confirm that PTT dropped: it may
    // still be up.
    bool PttConfirmedDown() const { return pttDown_; }

private:
    TransmitEngine& engine_;
    NoticeQueue& queue_;
    TimeBase& time_;
    bool pttDown_ = true;
};

}  // namespace tarnwick::test
