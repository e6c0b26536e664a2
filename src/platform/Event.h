#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace tarnwick {

enum class ResetMode { Auto, Manual };

// What a one-shot timer does to its event when it expires. Keying timers set the event (the
// keying loop resets it before every start); pause and fill timers pulse the engine's auto-reset
// event, which wakes the one waiter. Both are carried out when a waiter looks at the event, so a
// pulse that finds no waiter yet is kept for the next one instead of being lost.
enum class TimerAction { Set, Pulse };

class Waiter;

// A signalled/unsignalled flag that threads wait on, optionally carrying one armed one-shot
// timer. Deadlines are nanoseconds on the clock of the TimeBase that waits on the event.
class Event {
public:
    explicit Event(ResetMode mode, bool initiallySignalled = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    // Clears the signalled state and disarms the timer.
    void Reset();
    // Arms (or re-arms) the one-shot timer; an earlier armed timer is replaced.
    void ArmAt(int64_t deadlineNs, TimerAction action);
    void Disarm();

    ResetMode Mode() const { return mode_; }

    // For TimeBase implementations: fires an expired timer, then takes the signal (auto-reset
    // events are cleared by taking it). When the event stays unsignalled, *nextDueNs is lowered
    // to the armed deadline, if any.
    bool TryTake(int64_t nowNs, int64_t* nextDueNs);
    bool IsSignalled(int64_t nowNs);
    void AddWaiter(Waiter* w);
    void RemoveWaiter(Waiter* w);

private:
    void WakeWaitersLocked();

    const ResetMode mode_;
    std::mutex mutex_;
    bool signalled_;
    std::optional<int64_t> armedDeadline_;
    std::vector<Waiter*> waiters_;
};

}  // namespace tarnwick
