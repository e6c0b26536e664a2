#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Event.h"
#include "platform/NoticeSink.h"
#include "platform/TimeBase.h"
#include "platform/VirtualTimeBase.h"
#include "support/RecordingNoticeSink.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;

TEST(EventTest, AutoResetIsTakenByOneWaitManualStays) {
    VirtualTimeBase time;
    Event autoEv(ResetMode::Auto, true);
    Event manualEv(ResetMode::Manual, true);
    EXPECT_TRUE(time.WaitFor(autoEv, 0));
    EXPECT_FALSE(time.WaitFor(autoEv, 0));
    EXPECT_TRUE(time.WaitFor(manualEv, 0));
    EXPECT_TRUE(time.WaitFor(manualEv, 0));
    manualEv.Reset();
    EXPECT_FALSE(time.WaitFor(manualEv, 0));
}

TEST(EventTest, WaitAnyReportsWhichEventAndTimesOut) {
    SteadyTimeBase time;
    Event a(ResetMode::Auto);
    Event b(ResetMode::Auto);
    std::thread setter([&] {
        std::this_thread::sleep_for(10ms);
        b.Set();
    });
    EXPECT_EQ(time.WaitAnyFor({&a, &b}, 10'000), 1);
    setter.join();
    EXPECT_EQ(time.WaitAnyFor({&a, &b}, 5), -1);
    // The waiter is gone: a later Set must not touch it.
    a.Set();
    EXPECT_EQ(time.WaitAnyFor({&a, &b}, 0), 0);
}

TEST(EventTest, OneShotTimersFireAtTheirDeadlineOnBothClocks) {
    VirtualTimeBase virt(1000);
    Event ev(ResetMode::Auto);
    virt.StartOneShot(ev, 250, TimerAction::Pulse);
    EXPECT_EQ(virt.WaitAnyFor({&ev}, 10'000), 0);
    EXPECT_EQ(virt.NowNs(), 1000 + 250 * kNsPerMs);

    SteadyTimeBase real;
    Event keyEv(ResetMode::Manual);
    const int64_t t0 = real.NowNs();
    real.StartOneShot(keyEv, 20, TimerAction::Set);
    EXPECT_TRUE(real.WaitFor(keyEv, 10'000));
    EXPECT_GE(real.NowNs() - t0, 20 * kNsPerMs);
    EXPECT_TRUE(keyEv.IsSignalled(real.NowNs()));  // set, not pulsed: it stays until reset
    keyEv.Reset();
    EXPECT_FALSE(keyEv.IsSignalled(real.NowNs()));

    // Re-arming replaces the earlier timer; a reset disarms it.
    Event re(ResetMode::Auto);
    real.StartOneShot(re, 5, TimerAction::Pulse);
    re.Reset();
    EXPECT_FALSE(real.WaitFor(re, 30));
}

TEST(EventTest, TheMillisecondClockWrapsAt32Bits) {
    VirtualTimeBase time((int64_t{1} << 32) * kNsPerMs - 5 * kNsPerMs);
    const uint32_t before = time.NowMs();
    time.SleepMs(10);
    EXPECT_LT(time.NowMs(), before);
    EXPECT_EQ(time.NowMs() - before, 10u);
}

TEST(NoticeSinkTest, SendWaitsForTheReceiverOrGivesUpOnCancel) {
    test::RecordingNoticeSink sink;
    int handled = 0;
    sink.onSend = [&](const Notice& n) { handled += static_cast<int>(n.lParam); };
    EXPECT_TRUE(sink.Send(kSendEventNotice, kEventPttRequest, 1, RealTime(), nullptr));
    EXPECT_EQ(handled, 1);

    // A receiver that never answers: the stop event ends the wait.
    class DeafSink : public NoticeSink {
    public:
        std::vector<Notice> kept;

    protected:
        void Deliver(Notice n) override { kept.push_back(std::move(n)); }
    } deaf;
    Event cancel(ResetMode::Manual);
    std::thread stopper([&] {
        std::this_thread::sleep_for(10ms);
        cancel.Set();
    });
    EXPECT_FALSE(deaf.Send(kSendEventNotice, kEventPttRequest, 1, RealTime(), &cancel));
    stopper.join();
    ASSERT_EQ(deaf.kept.size(), 1u);
    EXPECT_TRUE(deaf.kept[0].Withdrawn()) << "a receiver that gets to it later must not act";

    // A receiver that drops the notice unhandled releases the sender too.
    class DroppingSink : public NoticeSink {
    protected:
        void Deliver(Notice) override {}
    } dropping;
    EXPECT_TRUE(dropping.Send(kSendEventNotice, kEventPttRequest, 1, RealTime(), nullptr));
}

}  // namespace
}  // namespace tarnwick
