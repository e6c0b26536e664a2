#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>

#include "platform/Event.h"

namespace tarnwick {

inline constexpr int64_t kForever = std::numeric_limits<int64_t>::max();
inline constexpr int64_t kNsPerMs = 1'000'000;

// The clock, the one-shot timers and every timed wait of the keyer go through one TimeBase, so
// that tests can swap the monotonic clock for a virtual one and run a 120 s repeat block in
// milliseconds.
class TimeBase {
public:
    virtual ~TimeBase() = default;

    // Monotonic nanoseconds; never goes back.
    virtual int64_t NowNs() = 0;
    // Waits until one of the events is signalled (its index is returned and an auto-reset event
    // is taken) or until deadlineNs has passed (-1). Armed timers of the events fire meanwhile.
    virtual int WaitAny(std::span<Event* const> events, int64_t deadlineNs) = 0;
    virtual void SleepUntil(int64_t deadlineNs) = 0;

    // The millisecond clock: monotonic milliseconds truncated to 32 bits. It wraps every
    // 49.7 days, so elapsed times are differences taken modulo 2^32.
    uint32_t NowMs() { return static_cast<uint32_t>(NowNs() / kNsPerMs); }

    int WaitAnyFor(std::initializer_list<Event*> events, uint32_t timeoutMs);
    bool WaitFor(Event& event, uint32_t timeoutMs);
    int WaitAnyForever(std::initializer_list<Event*> events);
    void SleepMs(uint32_t ms);

    // One-shot timer that acts on `event` after `delayMs`.
    void StartOneShot(Event& event, uint32_t delayMs, TimerAction action);
};

// CLOCK_MONOTONIC, real sleeps.
class SteadyTimeBase final : public TimeBase {
public:
    int64_t NowNs() override;
    int WaitAny(std::span<Event* const> events, int64_t deadlineNs) override;
    void SleepUntil(int64_t deadlineNs) override;
};

// The process-wide real clock; stateless, so sharing it is safe.
TimeBase& RealTime();

}  // namespace tarnwick
