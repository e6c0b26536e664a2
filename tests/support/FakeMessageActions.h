#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/VirtualTimeBase.h"
#include "send/MessageActions.h"

namespace tarnwick::test {

// An engine for the walker on a virtual clock: a text run lasts `msPerChar` per character, a
// WAV insert `waveMs` (a name containing "fail" fails), PTT changes are immediate. Every action
// is logged as a line with its virtual start time, e.g. "1200 text 'CQ'", "0 ptt up".
class FakeMessageActions : public MessageActions {
public:
    explicit FakeMessageActions(int64_t startNs = 0) : time(startNs), clock_(*this) {}

    WalkStatus SendTextRun(const std::string& run) override;
    WalkStatus InsertWave(const std::string& fileName) override;
    bool PttUp() const override { return pttUp; }
    WalkStatus RequestPtt(bool up) override;
    bool StopRequested() const override { return stop.load() != 0; }
    void ShowMessageError() override;
    TimeBase& Time() override { return clock_; }
    Event& TimerEvent() override { return timerEvent; }
    Event& StopEvent() override { return stopEvent; }

    uint64_t NowMsSinceStart() const;

    VirtualTimeBase time;
    Event timerEvent{ResetMode::Auto};
    Event stopEvent{ResetMode::Manual};
    std::atomic<int> stop{0};
    bool pttUp = false;
    uint32_t msPerChar = 100;
    uint32_t waveMs = 5000;
    // Requests a stop once this many actions were taken (0: never), as an operator would.
    uint64_t stopAfterActions = 0;
    std::vector<std::string> log;
    int errors = 0;

private:
    // The virtual clock, with every timed wait counted as an action.
    class CountingClock : public TimeBase {
    public:
        explicit CountingClock(FakeMessageActions& owner) : owner_(owner) {}
        int64_t NowNs() override { return owner_.time.NowNs(); }
        int WaitAny(std::span<Event* const> events, int64_t deadlineNs) override {
            owner_.Count();
            return owner_.time.WaitAny(events, deadlineNs);
        }
        void SleepUntil(int64_t deadlineNs) override { owner_.time.SleepUntil(deadlineNs); }

    private:
        FakeMessageActions& owner_;
    };

    void Count();
    CountingClock clock_;
    int64_t startNs_ = time.NowNs();
    uint64_t actions_ = 0;
};

}  // namespace tarnwick::test
