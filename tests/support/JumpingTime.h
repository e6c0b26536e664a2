#pragma once

#include <atomic>
#include <cstdint>

#include "platform/TimeBase.h"

namespace tarnwick::test {

// The real clock, to which a test may add sudden jumps: the clock seen by the code under test
// leaps ahead as if the thread reading it had been held back that long, while every wait still
// lasts its real time. It stands for a machine too busy to run a sound thread in time. The
// one-shot timers of events are not for it: they would fire late by the jumps.
class JumpingTime final : public TimeBase {
public:
    void Jump(int64_t ns) { offsetNs_ += ns; }

    int64_t NowNs() override { return RealTime().NowNs() + offsetNs_.load(); }
    int WaitAny(std::span<Event* const> events, int64_t deadlineNs) override {
        return RealTime().WaitAny(events, RealDeadline(deadlineNs));
    }
    void SleepUntil(int64_t deadlineNs) override {
        RealTime().SleepUntil(RealDeadline(deadlineNs));
    }

private:
    int64_t RealDeadline(int64_t deadlineNs) const {
        return deadlineNs == kForever ? kForever : deadlineNs - offsetNs_.load();
    }

    std::atomic<int64_t> offsetNs_{0};
};

}  // namespace tarnwick::test
