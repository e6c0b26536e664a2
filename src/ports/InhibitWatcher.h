#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace tarnwick {

class NoticeSink;

// The inhibit input is protective (an amplifier fault, a sequencer): it is looked at often
// enough that RF stops within a few tens of milliseconds of it rising.
inline constexpr uint32_t kInhibitPollMs = 10;

// The transmit-inhibit watcher of a keying device: a below-normal thread that polls the input
// and, while InhibitArmed is 1 and the input is on, posts SendDoneNotice with the inhibit reason
// to the view once and ends. Destruction stops a running watcher without waiting out its poll
// period, and does not wait at all for one that has already fired.
class InhibitWatcher {
public:
    // `inhibitOn` is called on the watcher's thread only, and never after the watcher fired or
    // this object's destruction began.
    InhibitWatcher(NoticeSink& view, std::function<bool()> inhibitOn,
                   uint32_t pollMs = kInhibitPollMs);
    ~InhibitWatcher();
    InhibitWatcher(const InhibitWatcher&) = delete;
    InhibitWatcher& operator=(const InhibitWatcher&) = delete;

    // True while a watcher thread is registered (it has neither fired nor been stopped).
    bool IsWatching() const;

private:
    struct State;

    static void Run(std::shared_ptr<State> state, const std::function<bool()>* inhibitOn,
                    NoticeSink* view, uint32_t pollMs);
    static void SelfEnd(State& state);

    std::function<bool()> inhibitOn_;
    // Shared with the thread, so that a watcher ending itself while its owner is destroyed
    // never touches freed memory.
    std::shared_ptr<State> state_;
};

}  // namespace tarnwick
