#include "platform/TimeBase.h"

#include <time.h>

#include <cerrno>
#include <chrono>
#include <vector>

#include "platform/Waiter.h"

namespace tarnwick {

int TimeBase::WaitAnyFor(std::initializer_list<Event*> events, uint32_t timeoutMs) {
    const int64_t deadline = NowNs() + static_cast<int64_t>(timeoutMs) * kNsPerMs;
    return WaitAny(std::span<Event* const>(events.begin(), events.size()), deadline);
}

bool TimeBase::WaitFor(Event& event, uint32_t timeoutMs) {
    return WaitAnyFor({&event}, timeoutMs) == 0;
}

int TimeBase::WaitAnyForever(std::initializer_list<Event*> events) {
    return WaitAny(std::span<Event* const>(events.begin(), events.size()), kForever);
}

void TimeBase::SleepMs(uint32_t ms) {
    SleepUntil(NowNs() + static_cast<int64_t>(ms) * kNsPerMs);
}

void TimeBase::StartOneShot(Event& event, uint32_t delayMs, TimerAction action) {
    event.ArmAt(NowNs() + static_cast<int64_t>(delayMs) * kNsPerMs, action);
}

int64_t SteadyTimeBase::NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int SteadyTimeBase::WaitAny(std::span<Event* const> events, int64_t deadlineNs) {
    Waiter waiter;
    for (Event* e : events) {
        e->AddWaiter(&waiter);
    }
    int result = -1;
    for (;;) {
        const int64_t now = NowNs();
        int64_t wake = deadlineNs;
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i]->TryTake(now, &wake)) {
                result = static_cast<int>(i);
                break;
            }
        }
        if (result >= 0 || now >= deadlineNs) {
            break;
        }
        std::unique_lock lock(waiter.Mutex());
        if (waiter.TakeNotified()) {
            continue;
        }
        if (wake == kForever) {
            waiter.Cv().wait(lock);
        } else {
            // libstdc++'s steady_clock is CLOCK_MONOTONIC, the same clock as NowNs.
            const auto until =
                std::chrono::steady_clock::time_point(std::chrono::nanoseconds(wake));
            waiter.Cv().wait_until(lock, until);
        }
        waiter.TakeNotified();
    }
    for (Event* e : events) {
        e->RemoveWaiter(&waiter);
    }
    return result;
}

void SteadyTimeBase::SleepUntil(int64_t deadlineNs) {
    if (deadlineNs == kForever) {
        deadlineNs = NowNs() + 3600LL * 1'000'000'000;
    }
    timespec ts{static_cast<time_t>(deadlineNs / 1'000'000'000),
                static_cast<long>(deadlineNs % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

TimeBase& RealTime() {
    static SteadyTimeBase instance;
    return instance;
}

}  // namespace tarnwick
