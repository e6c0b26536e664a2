#include <gtest/gtest.h>

#include "SequencerRig.h"
#include "platform/NoticeSink.h"

namespace tarnwick {
namespace {

using test::DecemberSixth;
using test::SequencerRig;
using Lines = std::vector<std::string>;

TEST(SequencerModeTest, TheFirstShowSetsUpThePeriodAndTheReceiveSide) {
    SequencerRig eme(1, DecemberSixth(12, 0, 10));
    EXPECT_EQ(eme.port.log, (Lines{"generate", "rx start"}));
    EXPECT_EQ(eme.State().startTimeText, "12:01:00");
    EXPECT_FALSE(eme.State().txButtonsEnabled);
    EXPECT_TRUE(eme.State().sequenceControlsEnabled);

    SequencerRig contest(0, DecemberSixth(12, 0, 10));
    EXPECT_EQ(contest.State().startTimeText, "Contest");
    EXPECT_TRUE(contest.State().txButtonsEnabled);
    EXPECT_FALSE(contest.State().sequenceControlsEnabled);
}

// With Auto off the start-time box, the start time and the TX buttons follow a period
// command at the next tick; the boxes it enables and the buffers follow at once.
TEST(SequencerModeTest, PeriodCommandsReachTheStartTimeAtTheNextTick) {
    SequencerRig rig(1, DecemberSixth(12, 0, 10));
    rig.port.log.clear();
    rig.seq.SelectContestPeriod();
    EXPECT_EQ(rig.port.log, Lines{"generate"});
    EXPECT_FALSE(rig.State().sequenceControlsEnabled);
    EXPECT_EQ(rig.State().startTimeText, "12:01:00");
    rig.Tick();
    EXPECT_EQ(rig.State().startTimeText, "Contest");
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 0, 0));
    EXPECT_TRUE(rig.State().txButtonsEnabled);

    rig.seq.ApplyStandardMessages({"CQ TEST", "", "", "", "", "", ""}, "15");
    EXPECT_EQ(rig.State().pauseText, "15");
    EXPECT_EQ(rig.State().buffers[0], "CQ TEST");

    rig.seq.SelectSequencedPeriod();
    rig.seq.ApplyStandardMessages({"{K1ABC DE W9XYZ}[R:120]", "", "", "", "", "", ""}, "120");
    EXPECT_EQ(rig.State().durationText, "120");
    EXPECT_EQ(rig.State().pauseText, "15");
    rig.Tick();
    EXPECT_EQ(rig.State().startTimeText, "12:01:00");
    EXPECT_FALSE(rig.State().txButtonsEnabled);
}

TEST(SequencerModeTest, ModeCommandsSwitchTheReceiveSideAndTheCwControls) {
    SequencerRig rig(1, DecemberSixth(12, 0, 10));
    rig.port.log.clear();
    rig.seq.SelectPhoneMode();
    EXPECT_EQ(rig.port.log, (Lines{"rx stop", "generate"}));
    EXPECT_EQ(rig.doc.Mode, 1);
    EXPECT_EQ(rig.State().indicator, CwIndicator::PhoneIdle);
    EXPECT_FALSE(rig.State().typeEnabled);
    EXPECT_FALSE(rig.State().cwControlsEnabled);

    rig.port.log.clear();
    rig.seq.SelectCwMode();
    EXPECT_EQ(rig.port.log, (Lines{"rx start", "generate"}));
    EXPECT_EQ(rig.doc.Mode, 0);
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwIdle);
    EXPECT_TRUE(rig.State().typeEnabled);
    EXPECT_TRUE(rig.State().cwControlsEnabled);
}

// A phone transmission leaves the receive side alone and lights the phone picture.
TEST(SequencerModeTest, APhoneTransmissionShowsThePhonePictures) {
    SequencerRig rig(0, DecemberSixth(12, 0, 10));
    rig.seq.SelectPhoneMode();
    rig.port.log.clear();
    rig.seq.PressTx(1);
    EXPECT_EQ(rig.State().indicator, CwIndicator::PhoneTransmitting);
    EXPECT_FALSE(rig.State().typeEnabled);
    rig.seq.OnSendDone(kDoneCompleted);
    EXPECT_EQ(rig.State().indicator, CwIndicator::PhoneIdle);
    EXPECT_EQ(rig.port.log, (Lines{"12:00:10 send ", "release"}));
}

// With the indicator box checked the picture follows the key; unchecked it shows the whole
// transmission. Either way it is idle once the transmission is over.
TEST(SequencerModeTest, TheCwIndicatorFollowsTheKeyOrTheTransmission) {
    SequencerRig rig(0, DecemberSixth(12, 0, 10));
    rig.seq.PressTx(1);
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwIdle);
    rig.seq.OnKeyDown();
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwTransmitting);
    rig.seq.StopTransmission();  // the key-up of a stopped message never comes
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwIdle);

    rig.seq.SetCwIndicatorChecked(false);
    EXPECT_EQ(rig.doc.CWInd, 0);
    rig.seq.PressTx(1);
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwTransmitting);
    rig.seq.OnSendDone(kDoneCompleted);
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwIdle);
    rig.seq.PressTx(1);
    rig.seq.SetCwIndicatorChecked(true);
    rig.seq.SetCwIndicatorChecked(false);
    EXPECT_EQ(rig.State().indicator, CwIndicator::CwTransmitting);
}

TEST(SequencerModeTest, SentCharactersAreCollectedPerTransmission) {
    SequencerRig rig(0, DecemberSixth(12, 0, 10));
    rig.seq.PressTx(1);
    for (const char c : std::string("CQ DE")) {
        rig.seq.OnCharacterSent(c);
    }
    EXPECT_EQ(rig.State().sentText, "CQ DE");
    rig.seq.OnSendDone(kDoneCompleted);
    EXPECT_EQ(rig.State().sentText, "CQ DE");
    rig.seq.PressTx(2);
    EXPECT_EQ(rig.State().sentText, "");
}

TEST(SequencerModeTest, PttRequestsAndRigTextGoToTheEngine) {
    SequencerRig rig(0, DecemberSixth(12, 0, 10));
    rig.port.log.clear();
    rig.seq.OnPttRequest(false);
    rig.seq.OnPttRequest(true);
    rig.seq.OnTrxTextReady();
    EXPECT_EQ(rig.port.log, (Lines{"ptt off", "ptt on", "trx text"}));
}

}  // namespace
}  // namespace tarnwick
