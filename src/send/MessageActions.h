#pragma once

#include <string>

namespace tarnwick {

class Event;
class TimeBase;

// How a walk, or one of its actions, ended.
enum class WalkStatus { Done, Stopped, Failed };

inline constexpr const char* kMessageErrorText = "Error in message string.";

// What the message walker needs from the engine that sends the message. Each action returns
// when its work is done.
class MessageActions {
public:
    virtual ~MessageActions() = default;

    // Keys one text run (raising PTT first if it is down).
    virtual WalkStatus SendTextRun(const std::string& run) = 0;
    // Plays the named WAV file to its end (raising PTT first if it is down).
    virtual WalkStatus InsertWave(const std::string& fileName) = 0;
    virtual bool PttUp() const = 0;
    // Asks for PTT up or down and waits until it is done (including the TX delay on the way
    // up); Stopped when a stop came first.
    virtual WalkStatus RequestPtt(bool up) = 0;
    virtual bool StopRequested() const = 0;
    // Shows "Error in message string." and waits until it is closed.
    virtual void ShowMessageError() = 0;

    virtual TimeBase& Time() = 0;
    // Pulsed by the pause and fill timers.
    virtual Event& TimerEvent() = 0;
    // Signalled by a stop; ends pause and fill waits at once.
    virtual Event& StopEvent() = 0;
};

}  // namespace tarnwick
