#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "platform/VirtualTimeBase.h"
#include "trx/TrxLinkFixture.h"

namespace tarnwick {
namespace {

using test::TrxLinkFixture;

// How long the radio needs for `text` handed over in one piece (the daemon puts a blank
// before it) at `wpm` with its own, unweighted keyer.
int64_t RadioNs(const std::string& text, unsigned wpm) {
    const uint64_t ms = CwDurationMs(ConvertToMorse(" " + text), ComputeCwTiming(wpm, 1, 3, 3));
    return static_cast<int64_t>(ms) * kNsPerMs;
}

// Records when (on `time`'s clock) and on which thread each report came.
struct ReportLog {
    explicit ReportLog(TimeBase& t) : time(t) {}

    std::function<void(uint64_t)> Handler() {
        return [this](uint64_t) {
            std::lock_guard lock(mutex);
            atNs.push_back(time.NowNs());
            onCallerThread = onCallerThread || std::this_thread::get_id() == caller;
            done.Set();
        };
    }
    std::vector<int64_t> Reports() {
        std::lock_guard lock(mutex);
        return atNs;
    }

    TimeBase& time;
    std::thread::id caller = std::this_thread::get_id();
    std::mutex mutex;
    std::vector<int64_t> atNs;
    bool onCallerThread = false;
    Event done{ResetMode::Auto};
};

using TrxSendingDoneTest = TrxLinkFixture;

TEST_F(TrxSendingDoneTest, ReportComesWhenTheTextHasHadTimeToLeaveTheRadio) {
    ReportLog log(RealTime());
    link->SetSendingDoneHandler(log.Handler());
    ASSERT_TRUE(Connect(*link));
    const int64_t duration = RadioNs("PARIS", 40);

    const int64_t before = RealTime().NowNs();  // the last piece's acknowledgement is after it
    link->SendCwText("paris", 40);
    const int64_t after = RealTime().NowNs();  // ... and before this
    link->StopMorse();                         // the dummy radio cannot stop: no early report
    ASSERT_TRUE(RealTime().WaitFor(log.done, static_cast<uint32_t>(duration / kNsPerMs) + 5000));
    const std::vector<int64_t> reports = log.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_GE(reports[0], before + duration);
    EXPECT_LE(reports[0], after + duration + 2000 * kNsPerMs);
    EXPECT_FALSE(log.onCallerThread);
}

TEST_F(TrxSendingDoneTest, DurationIsCountedAtTheSpeedTheDaemonReports) {
    // On a virtual clock nothing else moves time, so the report lands exactly on the computed
    // moment after the acknowledgement.
    VirtualTimeBase virtualTime(1'000'000'000);
    ReportLog log(virtualTime);
    TrxManagerLink timed(prompter, virtualTime);
    timed.SetSendingDoneHandler(log.Handler());
    ASSERT_TRUE(Connect(timed));

    int64_t start = virtualTime.NowNs();
    ASSERT_TRUE(timed.SetData(19, 40, 0.0, ""));
    ASSERT_TRUE(timed.SetData(20, 40, 0.0, "PARIS"));
    ASSERT_TRUE(RealTime().WaitFor(log.done, 5000));
    ASSERT_EQ(log.Reports().size(), 1u);
    EXPECT_EQ(log.Reports()[0] - start, RadioNs("PARIS", 40));

    // Pieces: the duration covers every piece with the blank the daemon puts before each.
    const std::string longText = "CQ CQ CQ DE PA3XYZ PA3XYZ PA3XYZ PSE K";
    start = virtualTime.NowNs();
    ASSERT_TRUE(timed.SetData(20, 40, 0.0, longText));
    ASSERT_TRUE(RealTime().WaitFor(log.done, 5000));
    EXPECT_EQ(log.Reports()[1] - start, RadioNs("CQ CQ CQ DE PA3XYZ PA3XYZ PA3XYZ PSE K", 40));
    EXPECT_EQ(Sent("b").size(), 3u);

    // After a new connection the daemon's speed is unknown until set again: the keyer's counts.
    ASSERT_TRUE(Connect(timed));
    start = virtualTime.NowNs();
    timed.SendCwChar('e', 5);
    ASSERT_TRUE(RealTime().WaitFor(log.done, 5000));
    EXPECT_EQ(log.Reports()[2] - start, RadioNs("E", 5));
    EXPECT_TRUE(prompter.Texts().empty()) << testing::PrintToString(prompter.Texts());
}

TEST_F(TrxSendingDoneTest, PendingReportsAreReplacedCancelledOrMadeAtOnce) {
    ReportLog log(RealTime());
    link->SetSendingDoneHandler(log.Handler());
    ASSERT_TRUE(Connect(*link));
    const int64_t longDuration = RadioNs("PARIS PARIS", 50);

    const int64_t start = RealTime().NowNs();
    link->SendCwText("PARIS PARIS", 50);
    link->SendCwText("E", 50);
    ASSERT_TRUE(RealTime().WaitFor(log.done, 5000));
    EXPECT_LT(log.Reports().at(0), start + longDuration);

    // A second link whose owner disconnects, and one destroyed, both with a report pending.
    auto other = std::make_unique<TrxManagerLink>(prompter, RealTime());
    other->SetSendingDoneHandler(log.Handler());
    ASSERT_TRUE(Connect(*other, 43));
    link->SendCwText("PARIS", 50);
    other->SendCwText("PARIS", 50);
    link->Disconnect();
    other.reset();

    std::this_thread::sleep_for(std::chrono::nanoseconds(longDuration + 500 * kNsPerMs));
    EXPECT_EQ(log.Reports().size(), 1u);

    // Text for a link that is not connected goes nowhere: the report comes at once.
    const int64_t idle = RealTime().NowNs();
    link->SendCwText("PARIS", 50);
    ASSERT_TRUE(RealTime().WaitFor(log.done, 2000));
    EXPECT_LT(log.Reports().at(1), idle + RadioNs("PARIS", 50));
    EXPECT_TRUE(prompter.Texts().empty()) << testing::PrintToString(prompter.Texts());
}

}  // namespace
}  // namespace tarnwick
