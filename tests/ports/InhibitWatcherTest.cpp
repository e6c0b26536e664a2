#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "PortsTestSupport.h"
#include "ports/InhibitArmed.h"
#include "ports/InhibitWatcher.h"
#include "ports/ParallelKeyingDevice.h"
#include "ports/ParallelPort.h"
#include "ports/PortSettings.h"
#include "ports/SerialKeyingDevice.h"
#include "ports/SerialLines.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingNoticeSink.h"

namespace tarnwick {
namespace {

using test::ElapsedMs;
using test::InhibitNotices;
using test::WaitUntil;
using Clock = std::chrono::steady_clock;

// Far above anything a test waits for: a watcher that slept out its poll period on
// destruction would hold the test for this long.
constexpr uint32_t kLongPollMs = 60'000;
constexpr int kPromptMs = 10'000;
// A poll period of 10 ms plus ample room for a loaded machine.
constexpr int kFireBoundMs = 3'000;
// Fifty polls take half a second; at the old 500 ms period they took 25 s.
constexpr int kFiftyPollsBoundMs = 5'000;
constexpr int kPatienceMs = 10'000;

class InhibitWatcherTest : public ::testing::Test {
protected:
    void SetUp() override { InhibitArmed = 0; }
    void TearDown() override { InhibitArmed = 0; }

    test::FakeKeyingHardware hardware;
    test::RecordingNoticeSink view;
};

TEST_F(InhibitWatcherTest, CtsStopsTheMessageOnlyAfterPttWasRaisedAndOnlyOnce) {
    auto& inputs = hardware.SerialInputs("/dev/ttyS1");
    inputs.status = kModemCtsOn;  // already on before anything was sent
    auto lines = hardware.OpenSerial("/dev/ttyS1").lines;
    SerialKeyingDevice ptt(lines, kSerialRts, view);
    SerialKeyingDevice inhibit(lines, kSerialCts, view);

    // A protective input is looked at about every 10 ms.
    ASSERT_TRUE(WaitUntil([&] { return inputs.statusReads.load() >= 50; }, kFiftyPollsBoundMs));
    EXPECT_EQ(InhibitNotices(view), 0);

    const auto armedAt = Clock::now();
    ptt.PttOn();
    ASSERT_TRUE(WaitUntil([&] { return InhibitNotices(view) == 1; }, kPatienceMs));
    EXPECT_LT(ElapsedMs(armedAt), kFireBoundMs);
    ASSERT_TRUE(WaitUntil([&] { return !inhibit.IsWatching(); }, kPatienceMs));
    EXPECT_EQ(view.Notices().size(), 1u);
    EXPECT_EQ(view.Notices()[0].message, kSendDoneNotice);
}

TEST_F(InhibitWatcherTest, EachInhibitValueWatchesItsOwnInput) {
    auto& inputs = hardware.SerialInputs("/dev/ttyS2");
    inputs.status = kModemCtsOn;
    auto lines = hardware.OpenSerial("/dev/ttyS2").lines;
    InhibitArmed = 1;
    SerialKeyingDevice dsr(lines, kSerialDsr, view);
    ASSERT_TRUE(WaitUntil([&] { return inputs.statusReads.load() >= 2; }, kPatienceMs));
    EXPECT_EQ(InhibitNotices(view), 0) << "CTS does not stop a DSR watcher";
    inputs.status = kModemDsrOn;
    EXPECT_TRUE(WaitUntil([&] { return InhibitNotices(view) == 1; }, kPatienceMs));
}

TEST_F(InhibitWatcherTest, AStatusThatCannotBeReadCountsAsNoInput) {
    auto& inputs = hardware.SerialInputs("/dev/ttyS3");
    inputs.status = kModemCtsOn | kModemDsrOn;
    inputs.statusFails = true;
    auto lines = hardware.OpenSerial("/dev/ttyS3").lines;
    InhibitArmed = 1;
    SerialKeyingDevice cts(lines, kSerialCts, view);
    ASSERT_TRUE(WaitUntil([&] { return inputs.statusReads.load() >= 2; }, kPatienceMs));
    EXPECT_EQ(InhibitNotices(view), 0);
    EXPECT_TRUE(cts.IsWatching());
    inputs.statusFails = false;
    EXPECT_TRUE(WaitUntil([&] { return InhibitNotices(view) == 1; }, kPatienceMs));
}

TEST_F(InhibitWatcherTest, DestructionDoesNotWaitOutThePollPeriod) {
    std::atomic<int> probes{0};
    const auto started = Clock::now();
    {
        InhibitWatcher watcher(
            view,
            [&] {
                probes.fetch_add(1);
                return false;
            },
            kLongPollMs);
        ASSERT_TRUE(WaitUntil([&] { return probes.load() == 1; }, kPatienceMs));
        EXPECT_TRUE(watcher.IsWatching());
    }
    EXPECT_LT(ElapsedMs(started), kPromptMs);
    const int seen = probes.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(probes.load(), seen) << "no look at the input after destruction";
}

TEST_F(InhibitWatcherTest, DestroyingAWatcherThatFiredDoesNotWait) {
    InhibitArmed = 1;
    std::atomic<int> probes{0};
    auto watcher = std::make_unique<InhibitWatcher>(
        view,
        [&] {
            probes.fetch_add(1);
            return true;
        },
        kLongPollMs);
    ASSERT_TRUE(WaitUntil([&] { return InhibitNotices(view) == 1; }, kPatienceMs));
    ASSERT_TRUE(WaitUntil([&] { return !watcher->IsWatching(); }, kPatienceMs));
    const auto started = Clock::now();
    watcher.reset();
    EXPECT_LT(ElapsedMs(started), kPromptMs);
    EXPECT_EQ(probes.load(), 1);
    EXPECT_EQ(InhibitNotices(view), 1);
}

TEST_F(InhibitWatcherTest, OnlyTheParallelInhibitDeviceWatchesPin15) {
    ParallelPort port(hardware, 0x378, false);
    hardware.Parallel().status = kStatusInhibit;
    InhibitArmed = 1;
    {
        ParallelKeyingDevice ptt(port, ParallelFunction::Ptt, view);
        ParallelKeyingDevice cw(port, ParallelFunction::Cw, view);
        EXPECT_FALSE(ptt.IsWatching());
        EXPECT_FALSE(cw.IsWatching());
        ptt.PttOn();
        EXPECT_EQ(hardware.Parallel().statusReads.load(), 0);
        ParallelKeyingDevice inhibit(port, ParallelFunction::Inhibit, view);
        ASSERT_TRUE(WaitUntil([&] { return InhibitNotices(view) == 1; }, kPatienceMs));
        EXPECT_TRUE(WaitUntil([&] { return !inhibit.IsWatching(); }, kPatienceMs));
    }
    EXPECT_EQ(hardware.Parallel().lastStatusPort.load(), 0x379);
    EXPECT_EQ(InhibitNotices(view), 1);
}

}  // namespace
}  // namespace tarnwick
