#pragma once

#include <functional>

#include "platform/NoticeSink.h"

namespace tarnwick {

class Event;
class NoticeQueue;
class TimeBase;
class TransmitEngine;

// How a message handled by the driver ended.
enum class SendOutcome { Completed, Failed, Inhibited, Stopped };

// Plays the operating window's part for one message where there is no window: answers the
// engine's PTT requests, hands text runs to the rig-control link, and on the end notice (or a
// stop) stops the engine where needed and releases the devices, so PTT is down on every way
// out.
class EngineDriver {
public:
    EngineDriver(TransmitEngine& engine, NoticeQueue& queue, TimeBase& time)
        : engine_(engine), queue_(queue), time_(time) {}

    // Called with every notice (on the driver's thread) after it was handled.
    std::function<void(const Notice&)> observer;

    // Runs until the message ends or `stop` is signalled.
    SendOutcome RunUntilDone(Event* stop);

private:
    TransmitEngine& engine_;
    NoticeQueue& queue_;
    TimeBase& time_;
};

}  // namespace tarnwick
