#include <gtest/gtest.h>

#include <time.h>

#include "SequencerRig.h"
#include "support/ScopedEnvironment.h"

namespace tarnwick {
namespace {

using test::DecemberSixth;
using test::SequencerRig;

// Local time zones with half-hour offsets and daylight saving.
class ZoneTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        env_.Set("TZ", GetParam());
        tzset();
    }
    void TearDown() override {
        env_.Restore();
        tzset();
    }

private:
    test::ScopedEnvironment env_;
};

TEST_P(ZoneTest, TheClockShowsUtcWhateverTheLocalZone) {
    SequencerRig rig(1, DecemberSixth(7, 38, 44));
    rig.Tick();
    EXPECT_EQ(rig.State().clockText, "2026 Dec 06\n07:38:45");
}

// The start time follows the next whole UTC minute also across the zone's daylight-saving
// changes (Adelaide: 2026-04-04 and 2026-10-03 16:30 UTC; St John's: 2026-03-08 05:30 and
// 2026-11-01 04:30 UTC).
TEST_P(ZoneTest, TheNextMinuteIsAWholeUtcMinuteAcrossDaylightSavingChanges) {
    const int64_t changes[] = {
        UtcSeconds(2026, 4, 4, 16, 30, 0),
        UtcSeconds(2026, 10, 3, 16, 30, 0),
        UtcSeconds(2026, 3, 8, 5, 30, 0),
        UtcSeconds(2026, 11, 1, 4, 30, 0),
    };
    for (const int64_t change : changes) {
        SequencerRig rig(1, change - 2);
        EXPECT_EQ(rig.State().nextStart, change);
        rig.Ticks(2);
        EXPECT_EQ(rig.State().nextStart, change + 60);
        EXPECT_EQ(rig.State().startTimeText, UtcTimeOfDayText(change + 60));
    }
}

INSTANTIATE_TEST_SUITE_P(HalfHourZones, ZoneTest,
                         ::testing::Values("Australia/Adelaide", "America/St_Johns"));

TEST(SequencerClockTest, TicksAreDueJustAfterEachWholeUtcSecond) {
    VirtualUtcClock clock(DecemberSixth(12, 0, 0) * kNsPerSecond + 250'000'000);
    CTarnwickDoc doc;
    test::RecordingSequencerPort port(clock);
    Sequencer seq(doc, clock, port);
    EXPECT_EQ(seq.NsUntilNextTick(), 750'000'000 + kTickLagNs);
    EXPECT_EQ(seq.MsUntilNextTick(), 751);
    // A tick whose timer woke a little before its lag was over is not followed by another
    // one for the same second.
    clock.AdvanceNs(750'000'000 + kTickLagNs / 2);
    EXPECT_EQ(seq.NsUntilNextTick(), kNsPerSecond + kTickLagNs / 2);
    // Milliseconds round up, so a timer armed with them is never early.
    clock.AdvanceNs(1);
    EXPECT_EQ(seq.MsUntilNextTick(), 1001);
}

TEST(SequencerClockTest, ASequenceStartsAtTheTickLagAfterItsBoundary) {
    SequencerRig rig(1, DecemberSixth(11, 59, 58));
    rig.seq.SetBufferText(1, "CQ");
    rig.seq.SetDurationText("60");
    rig.seq.ToggleAuto();
    rig.RunUntil(DecemberSixth(12, 0, 1));
    ASSERT_EQ(rig.port.Sends(), std::vector<std::string>{"12:00:00 send CQ"});
    EXPECT_EQ(rig.port.lastSendNs, DecemberSixth(12, 0, 0) * kNsPerSecond + kTickLagNs);
}

}  // namespace
}  // namespace tarnwick
