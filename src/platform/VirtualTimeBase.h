#pragma once

#include <atomic>

#include "platform/TimeBase.h"

namespace tarnwick {

// A clock that only moves when someone waits or sleeps on it: a timed wait jumps straight to the
// earliest armed timer or to its own deadline. Untimed waits block for real, so other threads can
// still signal. Used to run minute-long messages in tests and under the fuzzer.
class VirtualTimeBase final : public TimeBase {
public:
    explicit VirtualTimeBase(int64_t startNs = 0) : now_(startNs) {}

    int64_t NowNs() override { return now_.load(); }
    int WaitAny(std::span<Event* const> events, int64_t deadlineNs) override;
    void SleepUntil(int64_t deadlineNs) override;

    void AdvanceNs(int64_t ns) { now_.fetch_add(ns); }

private:
    void AdvanceTo(int64_t ns);

    std::atomic<int64_t> now_;
};

}  // namespace tarnwick
