#include <gtest/gtest.h>

#include "SequencerRig.h"
#include "platform/NoticeSink.h"

namespace tarnwick {
namespace {

using test::DecemberSixth;
using test::SequencerRig;
using Lines = std::vector<std::string>;

// The Contest period with seven buffers "B1".."B7", a 10 s Auto pause, started at 12:00:00.
struct ContestRig : SequencerRig {
    ContestRig() : SequencerRig(0, DecemberSixth(12, 0, 0)) {
        for (int k = 1; k <= kBufferCount; ++k) {
            seq.SetBufferText(k, "B" + std::to_string(k));
        }
        seq.SetPauseText("10");
        port.log.clear();
    }
};

// Keying takes 15 s and the appended pause 10 s; the next send comes at the first tick after
// the end notice.
TEST(SequencerContestTest, AutoRepeatsTheChosenBufferWithThePauseAppended) {
    ContestRig rig;
    rig.port.messageSeconds = 25;
    rig.seq.SelectNextBuffer(2);
    rig.seq.ToggleAuto();
    EXPECT_EQ(rig.State().autoButtonText, "&Auto is ON");
    EXPECT_FALSE(rig.State().txButtonsEnabled);
    rig.RunUntil(DecemberSixth(12, 1, 0));
    EXPECT_EQ(rig.port.Sends(), (Lines{"12:00:01 send B2[P:10]", "12:00:26 send B2[P:10]",
                                       "12:00:51 send B2[P:10]"}));
    EXPECT_EQ(rig.State().startTimeText, "Contest");
}

// Only an exact "[P:" counts as a pause already there.
TEST(SequencerContestTest, ABufferWithItsOwnPauseGetsNoSecondOne) {
    ContestRig rig;
    rig.port.messageSeconds = 0;
    rig.seq.SetBufferText(1, "CQ [P:5]");
    rig.seq.ToggleAuto();
    rig.Tick();
    rig.seq.SetBufferText(1, "CQ [p:5]");
    rig.Tick();
    EXPECT_EQ(rig.port.Sends(), (Lines{"12:00:01 send CQ [P:5]", "12:00:02 send CQ [p:5][P:10]"}));
}

TEST(SequencerContestTest, AnFKeyDuringAnAutomaticSendStopsItAndSendsItsBuffer) {
    ContestRig rig;
    rig.seq.ToggleAuto();
    rig.Tick();
    rig.port.log.clear();
    rig.seq.PressFunctionKey(3);
    EXPECT_EQ(rig.port.log, (Lines{"stop", "release", "rx start", "rx stop", "12:00:01 send B3"}));
    EXPECT_FALSE(rig.State().autoOn);
    EXPECT_EQ(rig.State().autoButtonText, "&Auto is OFF");
    EXPECT_TRUE(rig.State().txButtonsEnabled);
    EXPECT_EQ(rig.State().selectedBuffer, 3);
    EXPECT_EQ(rig.seq.HighlightedBuffer(), 3);
}

TEST(SequencerContestTest, AnFKeyWhileIdleSwitchesAutoOffAndSendsWithoutAPause) {
    ContestRig rig;
    rig.seq.ToggleAuto();
    rig.seq.PressFunctionKey(5);
    EXPECT_EQ(rig.port.log, (Lines{"rx stop", "12:00:00 send B5"}));
    EXPECT_EQ(rig.State().autoButtonText, "&Auto is OFF");
    EXPECT_TRUE(rig.State().txButtonsEnabled);
}

TEST(SequencerContestTest, EscWithNothingBeingSentStillSwitchesAutoOff) {
    ContestRig rig;
    rig.seq.ToggleAuto();
    rig.seq.StopTransmission();
    EXPECT_EQ(rig.port.log, (Lines{"stop", "release", "rx start"}));
    EXPECT_FALSE(rig.State().txStopEnabled);
    EXPECT_FALSE(rig.State().autoOn);
}

class SendDoneTest : public ::testing::TestWithParam<int64_t> {};

// Completed keeps Auto on so the sending goes on; failed and inhibited switch it off, and an
// inhibit stops the engine first.
TEST_P(SendDoneTest, TheEndReasonDecidesWhetherAutoStaysOn) {
    ContestRig rig;
    rig.port.messageSeconds = -1;
    rig.seq.ToggleAuto();
    rig.Tick();
    EXPECT_TRUE(rig.State().txStopEnabled);
    rig.port.log.clear();
    rig.seq.OnSendDone(GetParam());
    Lines expected = {"release", "rx start"};
    if (GetParam() == kDoneInhibit) {
        expected.insert(expected.begin(), "stop");
    }
    EXPECT_EQ(rig.port.log, expected);
    EXPECT_FALSE(rig.seq.Transmitting());
    EXPECT_FALSE(rig.State().txStopEnabled);
    EXPECT_EQ(rig.State().autoOn, GetParam() == kDoneCompleted);
    EXPECT_EQ(rig.State().txButtonsEnabled, GetParam() != kDoneCompleted);
}

INSTANTIATE_TEST_SUITE_P(Reasons, SendDoneTest,
                         ::testing::Values(kDoneCompleted, kDoneFailed, kDoneInhibit));

// A TX button pressed while a message runs stops it and sends the pressed buffer, as the F-keys
// do; the buttons do nothing while they are disabled.
TEST(SequencerContestTest, ATxButtonDuringAMessageReplacesIt) {
    ContestRig rig;
    rig.seq.PressTx(2);
    rig.port.log.clear();
    rig.seq.PressTx(4);
    EXPECT_EQ(rig.port.log, (Lines{"stop", "release", "rx start", "rx stop", "12:00:00 send B4"}));
    EXPECT_EQ(rig.State().selectedBuffer, 4);

    rig.seq.ToggleAuto();
    rig.port.log.clear();
    rig.seq.PressTx(1);
    EXPECT_TRUE(rig.port.log.empty());
}

TEST(SequencerContestTest, ASendTheEngineRefusesEndsTheTransmissionAtOnce) {
    ContestRig rig;
    rig.port.refuse = true;
    rig.seq.PressTx(1);
    EXPECT_EQ(rig.port.log, (Lines{"rx stop", "12:00:00 send B1", "rx start"}));
    EXPECT_FALSE(rig.seq.Transmitting());
    EXPECT_FALSE(rig.State().txStopEnabled);
}

// Switching the period with Auto on: sending goes on in the new period from the next tick.
// Into the Sequenced period the start of the minute in which Contest was entered is still the
// start time, so boundaries follow one per tick until it has caught up with the clock.
TEST(SequencerContestTest, AutoSendingGoesOnAcrossPeriodChanges) {
    ContestRig rig;
    rig.clock.AdvanceNs(30 * kNsPerSecond);
    rig.port.messageSeconds = 0;
    rig.seq.SetDurationText("10");
    rig.seq.ToggleAuto();
    rig.seq.SelectSequencedPeriod();
    rig.RunUntil(DecemberSixth(12, 0, 41));
    EXPECT_EQ(rig.port.Sends(),
              (Lines{"12:00:31 send B1", "12:00:33 send B1", "12:00:40 send B1"}));
    EXPECT_EQ(rig.State().sequenceCount, 5);
    EXPECT_FALSE(rig.State().txButtonsEnabled);

    rig.seq.SelectContestPeriod();
    rig.Tick();
    EXPECT_EQ(rig.port.Sends().back(), "12:00:41 send B1[P:10]");
    EXPECT_FALSE(rig.State().txButtonsEnabled);
}

}  // namespace
}  // namespace tarnwick
