#include <gtest/gtest.h>

#include "SequencerRig.h"

namespace tarnwick {
namespace {

using test::DecemberSixth;
using test::SequencerRig;
using Lines = std::vector<std::string>;

// The Sequenced period with a 60 s duration and buffer 1 chosen, started at `start`.
struct EmeRig : SequencerRig {
    explicit EmeRig(int64_t start) : SequencerRig(1, start) {
        seq.SetBufferText(1, "K1ABC DE W9XYZ");
        seq.SetDurationText("60");
    }
};

class TxFirstTest : public ::testing::TestWithParam<bool> {};

// Ten minutes of a schedule, with Auto pressed at 11:59:30 while the start time shows
// 12:00:00: transmit and receive sequences alternate, each send handed over on its second.
TEST_P(TxFirstTest, TransmitSequencesAlternateWithReceiveSequences) {
    EmeRig rig(DecemberSixth(11, 59, 29));
    rig.seq.SetTxFirst(GetParam());
    rig.Tick();
    EXPECT_EQ(rig.State().startTimeText, "12:00:00");
    rig.seq.ToggleAuto();
    rig.port.log.clear();
    rig.RunUntil(DecemberSixth(12, 10, 0));

    const Lines first = {"12:00:00", "12:02:00", "12:04:00", "12:06:00", "12:08:00"};
    const Lines second = {"12:01:00", "12:03:00", "12:05:00", "12:07:00", "12:09:00"};
    Lines expected;
    for (const std::string& at : GetParam() ? first : second) {
        expected.insert(expected.end(),
                        {"rx stop", at + " send K1ABC DE W9XYZ", "release", "rx start"});
    }
    EXPECT_EQ(rig.port.log, expected);
    EXPECT_EQ(rig.State().startTimeText, "12:00:00");
    EXPECT_EQ(rig.State().sequenceCount, 10);
}

INSTANTIATE_TEST_SUITE_P(BothParities, TxFirstTest, ::testing::Bool());

TEST(SequencerEmeTest, ATypedStartTimeIsHeldForTenTicksWithTheClockStandingStill) {
    EmeRig rig(DecemberSixth(12, 9, 59));
    rig.Tick();
    rig.seq.StartTimeEdited("12:30:00");
    EXPECT_EQ(rig.State().startTimeText, "12:30:00");
    rig.Ticks(10);
    EXPECT_EQ(rig.State().clockText, "2026 Dec 06\n12:10:00");
    EXPECT_EQ(rig.State().startTimeText, "12:30:00");
    rig.Tick();
    EXPECT_EQ(rig.State().clockText, "2026 Dec 06\n12:10:11");
    EXPECT_EQ(rig.State().startTimeText, "12:11:00");
}

TEST(SequencerEmeTest, AutoWithinTheHoldOffSequencesFromTheTypedStartTime) {
    EmeRig rig(DecemberSixth(12, 10, 0));
    rig.seq.StartTimeEdited("12:30:00");
    rig.Ticks(9);
    rig.seq.ToggleAuto();
    rig.RunUntil(DecemberSixth(12, 31, 0));
    EXPECT_EQ(rig.port.Sends(), Lines{"12:30:00 send K1ABC DE W9XYZ"});
    EXPECT_EQ(rig.State().startTimeText, "12:30:00");
}

// Five minutes in the past with 60 s sequences: six boundaries, one per tick, alternating,
// until the start time lies ahead again.
TEST(SequencerEmeTest, AStartTimeInThePastCatchesUpOneBoundaryPerTick) {
    EmeRig rig(DecemberSixth(12, 10, 0));
    rig.port.messageSeconds = 0;
    rig.seq.StartTimeEdited("12:05:00");
    rig.seq.ToggleAuto();
    rig.Ticks(8);
    EXPECT_EQ(rig.port.Sends(),
              (Lines{"12:10:01 send K1ABC DE W9XYZ", "12:10:03 send K1ABC DE W9XYZ",
                     "12:10:05 send K1ABC DE W9XYZ"}));
    EXPECT_EQ(rig.State().sequenceCount, 6);
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 11, 0));
}

TEST(SequencerEmeTest, TypedTimesAreOnTheCurrentUtcDate) {
    EmeRig rig(DecemberSixth(12, 10, 0));
    rig.seq.StartTimeEdited("24:30:00");
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(24, 30, 0));
    EXPECT_EQ(rig.State().startTimeText, "00:30:00");

    EmeRig evening(DecemberSixth(23, 50, 0));
    evening.seq.StartTimeEdited(" 00:30:00 ");
    EXPECT_EQ(evening.State().nextStart, DecemberSixth(0, 30, 0));
}

// A text that is no time of day keeps the start time; so does any text while Auto is on or in
// the Contest period.
TEST(SequencerEmeTest, AStartTimeThatCannotBeReadIsNotTaken) {
    EmeRig rig(DecemberSixth(12, 10, 0));
    for (const char* text :
         {"", "12:30", "12:30:00x", "12:-30:00", "1230:00", "ab:cd:ef", "9999999999:00:00"}) {
        rig.seq.StartTimeEdited(text);
        EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 11, 0)) << text;
        EXPECT_EQ(rig.State().startTimeText, "12:11:00") << text;
        EXPECT_EQ(rig.State().startHoldOff, -1) << text;
    }
    rig.seq.ToggleAuto();
    rig.seq.StartTimeEdited("12:30:00");
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 11, 0));

    SequencerRig contest(0, DecemberSixth(12, 10, 0));
    contest.seq.StartTimeEdited("12:30:00");
    EXPECT_EQ(contest.State().startTimeText, "Contest");
}

TEST(SequencerEmeTest, TheArrowsMoveTheStartTimeByAMinute) {
    EmeRig rig(DecemberSixth(12, 10, 30));
    rig.seq.StartTimeDown();  // 12:11:00 is less than a minute ahead
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 11, 0));
    rig.seq.StartTimeUp();
    EXPECT_EQ(rig.State().startTimeText, "12:12:00");
    rig.Tick();  // outside a hold-off the next whole minute comes back
    EXPECT_EQ(rig.State().startTimeText, "12:11:00");

    rig.seq.StartTimeEdited("12:30:00");
    rig.seq.StartTimeDown();
    rig.Tick();
    EXPECT_EQ(rig.State().startTimeText, "12:29:00");
    EXPECT_EQ(rig.State().sequenceCount, 0);

    rig.seq.ToggleAuto();
    rig.seq.StartTimeUp();
    EXPECT_EQ(rig.State().startTimeText, "12:29:00");
}

// The duration box counts as it reads at the boundary: an empty box adds nothing, so the next
// tick is a boundary again.
TEST(SequencerEmeTest, TheDurationIsReadAtEachBoundary) {
    EmeRig rig(DecemberSixth(11, 59, 58));
    rig.port.messageSeconds = 0;
    rig.seq.ToggleAuto();
    rig.seq.SetDurationText("");
    rig.RunUntil(DecemberSixth(12, 0, 2));
    EXPECT_EQ(rig.State().sequenceCount, 2);
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 0, 0));
    rig.seq.SetDurationText("30 s");
    rig.Tick();
    EXPECT_EQ(rig.State().nextStart, DecemberSixth(12, 0, 30));
    EXPECT_EQ(rig.port.Sends(),
              (Lines{"12:00:00 send K1ABC DE W9XYZ", "12:00:02 send K1ABC DE W9XYZ"}));
}

TEST(SequencerEmeTest, TxFirstClickedWhileSequencingSwapsTheNextSequences) {
    EmeRig rig(DecemberSixth(11, 59, 58));
    rig.seq.ToggleAuto();
    rig.RunUntil(DecemberSixth(12, 1, 0));
    rig.seq.SetTxFirst(false);
    rig.RunUntil(DecemberSixth(12, 3, 0));
    EXPECT_EQ(rig.port.Sends(),
              (Lines{"12:00:00 send K1ABC DE W9XYZ", "12:01:00 send K1ABC DE W9XYZ"}));
    EXPECT_EQ(rig.doc.TXFirst, 0);
}

// A message still running at the next transmit boundary goes on; the boundary is counted but
// hands nothing over (the engine holds one message at a time).
TEST(SequencerEmeTest, ATransmitBoundaryDuringAMessageLetsItRunOn) {
    EmeRig rig(DecemberSixth(11, 59, 58));
    rig.port.messageSeconds = 150;
    rig.seq.ToggleAuto();
    rig.RunUntil(DecemberSixth(12, 4, 1));
    EXPECT_EQ(rig.port.Sends(),
              (Lines{"12:00:00 send K1ABC DE W9XYZ", "12:04:00 send K1ABC DE W9XYZ"}));
    EXPECT_EQ(rig.State().sequenceCount, 5);
}

}  // namespace
}  // namespace tarnwick
