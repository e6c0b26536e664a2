#include <gtest/gtest.h>

#include "send/MessageWalker.h"
#include "support/FakeMessageActions.h"

namespace tarnwick {
namespace {

using test::FakeMessageActions;
using Log = std::vector<std::string>;

struct Walked {
    WalkResult result;
    Log log;
    int errors;
};

Walked Walk(std::string message, FakeMessageActions& fake) {
    MessageWalker walker(fake);
    const WalkResult r = walker.RunMessage(message);
    return {r, fake.log, fake.errors};
}

Walked Walk(std::string message) {
    FakeMessageActions fake;
    return Walk(std::move(message), fake);
}

TEST(MessageWalkerTest, TextRunKeepsTrailingBlankAndPauseDropsPtt) {
    const Walked w = Walk("CQ TEST DE K1ABC K [P:10]");
    EXPECT_EQ(w.result.status, WalkStatus::Done);
    EXPECT_EQ(w.log, (Log{"0 ptt up", "0 text 'CQ TEST DE K1ABC K '", "1900 ptt down"}));
    EXPECT_EQ(w.result.elapsedMs, 11900u);  // nothing follows the pause: PTT stays down
}

TEST(MessageWalkerTest, PttRisesAgainAfterPauseWhenTextRemains) {
    const Walked w = Walk("CQ [P:5] CQ");
    EXPECT_EQ(w.log,
              (Log{"0 ptt up", "0 text 'CQ '", "300 ptt down", "5300 ptt up", "5300 text ' CQ'"}));
}

TEST(MessageWalkerTest, PauseAcceptsTextAfterNumberAndBlanksBeforeIt) {
    EXPECT_EQ(Walk("[P:5 later]").result.elapsedMs, 5000u);
    EXPECT_EQ(Walk("[p:  3]").result.elapsedMs, 3000u);
    const Walked zero = Walk("A[P:0]B");
    EXPECT_EQ(zero.result.status, WalkStatus::Done);
    EXPECT_EQ(zero.result.elapsedMs, 200u);
}

TEST(MessageWalkerTest, RepeatTimesAndOtherTagLetters) {
    EXPECT_EQ(Walk("{AB}[N:3]").log,
              (Log{"0 ptt up", "0 text 'AB'", "200 text 'AB'", "400 text 'AB'"}));
    // Lower-case r and n, and unknown letters with a number, produce nothing and are no error.
    for (const char* m : {"{ABX}[n:2]", "{ABX}[X:5]", "{ABX}[r:5]", "{ABX}[N:0]", "{ABX}[R:0]",
                          "{ABX}[N:-5]", "{ABX}[R:-5]"}) {
        const Walked w = Walk(m);
        EXPECT_EQ(w.result.status, WalkStatus::Done) << m;
        EXPECT_TRUE(w.log.empty()) << m;
        EXPECT_EQ(w.result.elapsedMs, 0u) << m;
    }
}

TEST(MessageWalkerTest, WaveInsertsTakeTheBodyAsName) {
    EXPECT_EQ(Walk("{song.wav}[i]").log, (Log{"0 ptt up", "0 wave 'song.wav'"}));
    EXPECT_EQ(Walk("{  two words.wav }[I:7]").log, (Log{"0 ptt up", "0 wave 'two words.wav '"}));
    const Walked failed = Walk("{fail.wav}[I]AFTER");
    EXPECT_EQ(failed.result.status, WalkStatus::Failed);
    EXPECT_EQ(failed.log.back(), "0 wave 'fail.wav'");
    EXPECT_EQ(failed.errors, 0);  // the player shows its own message
}

TEST(MessageWalkerTest, MalformedMessagesShowTheErrorBeforeAnyAction) {
    for (const char* m : {"{ABX} [N:2]", "[I]", "[R:5]", "{ABC", "{ABC}", "[P:5", "[Q:5]", "[P]",
                          "{A}[R:]", "{A}[:5]", "[P:-1]", "[P:99999999]", "{A}[R:2147483647]",
                          "{A}[R:2147484]", "[", "{A}[Nx]"}) {
        const Walked w = Walk(m);
        EXPECT_EQ(w.result.status, WalkStatus::Failed) << m;
        EXPECT_EQ(w.errors, 1) << m;
        EXPECT_EQ(w.log, (Log{"0 error"})) << m;
    }
    EXPECT_EQ(Walk("{}[R:2147483]").result.status, WalkStatus::Done);
}

TEST(MessageWalkerTest, ErrorInNestedBodyComesAfterWhatWasAlreadySent) {
    const Walked w = Walk("{A{B}Z}[N:2]");
    EXPECT_EQ(w.result.status, WalkStatus::Failed);
    EXPECT_EQ(w.log, (Log{"0 ptt up", "0 text 'A'", "100 error"}));
}

TEST(MessageWalkerTest, MacrosInATypedBufferAreSentAsTyped) {
    EXPECT_EQ(Walk("%M").log, (Log{"0 ptt up", "0 text '%M'"}));
}

TEST(MessageWalkerTest, RepeatForSecondsFollowsTheEstimateAndPadsWithSilence) {
    FakeMessageActions fake;
    fake.waveMs = 5000;
    const Walked w = Walk("{{MS73.wav}[I]}[R:30]", fake);
    EXPECT_EQ(w.log,
              (Log{"0 ptt up", "0 wave 'MS73.wav'", "5000 wave 'MS73.wav'", "10000 wave 'MS73.wav'",
                   "15000 wave 'MS73.wav'", "20000 wave 'MS73.wav'"}));
    EXPECT_EQ(w.result.elapsedMs, 30000u);

    // 1.2 s repetitions in 5 s: the fourth still fits the estimate, then under 1 s remains.
    FakeMessageActions slow;
    slow.msPerChar = 100;
    const Walked s = Walk("{ABCDEFGHIJKL}[R:5]", slow);
    EXPECT_EQ(s.log.size(), 5u);
    EXPECT_EQ(s.result.elapsedMs, 4800u);
}

TEST(MessageWalkerTest, ATwoMinuteScheduleMessageRunsOnTheVirtualClock) {
    // The first EME message after expansion: 1.3 s repetitions for 120 s. The 93rd would end
    // past the block, and with under 1 s left nothing is padded.
    const Walked w = Walk("{W1AW DE K1ABC}[R:120]");
    EXPECT_EQ(w.log.size(), 1u + 92u);
    EXPECT_EQ(w.log.back(), "118300 text 'W1AW DE K1ABC'");
    EXPECT_EQ(w.result.elapsedMs, 119600u);
}

TEST(MessageWalkerTest, RepeatForSecondsWorksAcrossTheClockWrap) {
    const int64_t tenSecondsBeforeWrap = (int64_t{1} << 32) * kNsPerMs - 10'000 * kNsPerMs;
    FakeMessageActions fake(tenSecondsBeforeWrap);
    const Walked w = Walk("{{MS73.wav}[I]}[R:30]", fake);
    EXPECT_EQ(w.log.size(), 6u);
    EXPECT_EQ(w.result.elapsedMs, 30000u);
}

TEST(MessageWalkerTest, ARepetitionThatTakesNoTimeIsPaddedNotSpun) {
    const Walked w = Walk("{ }[R:30]");
    EXPECT_EQ(w.result.status, WalkStatus::Done);
    EXPECT_EQ(w.result.elapsedMs, 30000u);
    EXPECT_TRUE(w.log.empty());
    EXPECT_EQ(Walk("{}[N:2147483647]").result.status, WalkStatus::Done);
}

TEST(MessageWalkerTest, StopEndsPausesRepeatsAndCounts) {
    FakeMessageActions paused;
    paused.stop = 1;
    paused.stopEvent.Set();
    const Walked p = Walk("[P:60]A", paused);
    EXPECT_EQ(p.result.status, WalkStatus::Stopped);
    EXPECT_EQ(p.result.elapsedMs, 0u);
    EXPECT_TRUE(p.log.empty());

    FakeMessageActions counted;
    counted.stopAfterActions = 1000;
    const Walked c = Walk("{A}[N:2147483647]", counted);
    EXPECT_EQ(c.result.status, WalkStatus::Stopped);
    EXPECT_EQ(c.log.size(), 1001u);  // ptt up and 1000 runs
}

TEST(MessageWalkerTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    EXPECT_EQ(Walk(std::string(200000, '{')).result.status, WalkStatus::Failed);
    std::string nested = "A";
    for (int i = 0; i < 100; ++i) {
        nested = "{" + nested + "}[N:1]";
    }
    const Walked w = Walk(nested);
    EXPECT_EQ(w.result.status, WalkStatus::Failed);
    EXPECT_EQ(w.errors, 1);
    std::string shallow = "A";
    for (int i = 0; i < 10; ++i) {
        shallow = "{" + shallow + "}[N:1]";
    }
    EXPECT_EQ(Walk(shallow).log, (Log{"0 ptt up", "0 text 'A'"}));
}

TEST(MessageWalkerTest, EightBitAndControlCharactersPassToTheRunUntouched) {
    const Walked w = Walk("A\x01\xff\tB");
    EXPECT_EQ(w.result.status, WalkStatus::Done);
    EXPECT_EQ(w.log.back(), "0 text 'A\x01\xff\tB'");
}

}  // namespace
}  // namespace tarnwick
