#include <gtest/gtest.h>

#include <chrono>

#include "keyer/MessageCheck.h"
#include "keyer/WaveFileCheck.h"
#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

class MessageCheckTest : public ::testing::Test {
protected:
    MessageCheckTest() {
        context_.station = StationData{"W1AW", "O", "FN31pr"};
        context_.callField = "DL1ABC";
        context_.cwRate = 12;  // a 100 ms unit
        context_.txDelay = 0.25;
        context_.baseDir = dir_.Path();
    }

    uint64_t KeyingMs(const std::string& text) const {
        return CwDurationMs(ConvertToMorse(text), ComputeCwTiming(12, 1.0, 3.0, 3.0));
    }

    test::ScratchDir dir_;
    MessageCheckContext context_;
};

TEST_F(MessageCheckTest, DurationFollowsTheMessageLanguage) {
    // Macros are replaced first; one PTT raise, then the keying.
    MessageCheckResult r = CheckMessage("CQ DE %M", context_);
    EXPECT_EQ(r.problem, "");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.durationMs, 250 + KeyingMs("CQ DE W1AW"));

    // A pause drops PTT: its length and a second TX delay are added, and the run after it is
    // keyed with a word space in front.
    r = CheckMessage("CQ [P:5] %T", context_);
    EXPECT_EQ(r.durationMs, 250 + KeyingMs("CQ ") + 5000 + 250 + KeyingMs(" DL1ABC"));

    // A repeat-for block fills its seconds.
    r = CheckMessage("{CQ %M}[R:120]", context_);
    EXPECT_GE(r.durationMs, 119'000u);
    EXPECT_LE(r.durationMs, 121'000u);
}

TEST_F(MessageCheckTest, MalformedMessagesAndUnusableWaveFilesAreReported) {
    EXPECT_EQ(CheckMessage("{CQ}[X", context_).problem, "Error in message string.");
    EXPECT_EQ(CheckMessage("CQ [P:-5]", context_).problem, "Error in message string.");
    EXPECT_EQ(CheckMessage("{{missing.wav}[I]}[R:30]", context_).problem,
              "Cannot locate file: missing.wav");

    ASSERT_TRUE(test::ScratchDir::Write(dir_.File("text.wav"), "not a RIFF file at all"));
    EXPECT_EQ(CheckMessage("{text.wav}[I]", context_).problem,
              "text.wav does not appear to be a wav file.");

    // A present PCM file plays for its length; relative names come from the base folder.
    const auto tone = test::WaveFileBuilder::Tone(700, 2.0, 11025, 8000);
    ASSERT_TRUE(
        test::ScratchDir::Write(dir_.File("cq.wav"), test::WaveFileBuilder::Pcm16(1, 11025, tone)));
    const MessageCheckResult r = CheckMessage("{cq.wav}[I] {cq.wav}[I]", context_);
    EXPECT_EQ(r.problem, "");
    EXPECT_EQ(r.durationMs, 250u + 2 * 2000);
    EXPECT_TRUE(CheckWaveFile(dir_.File("cq.wav"), "/elsewhere").ok);
}

TEST_F(MessageCheckTest, EndlessRepetitionIsCutShortQuickly) {
    const auto start = std::chrono::steady_clock::now();
    const MessageCheckResult r = CheckMessage("{E}[N:2000000000] {x}[Y", context_);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.durationMs, 0u);
    // Generous: the bound is there to keep typing responsive, not to time the machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(MessageCheckFormat, SendingTimes) {
    EXPECT_EQ(FormatSendingTime(0), "0.0 s");
    EXPECT_EQ(FormatSendingTime(42'560), "42.5 s");
    EXPECT_EQ(FormatSendingTime(125'000), "2:05");
    EXPECT_EQ(FormatSendingTime(3'725'000), "1:02:05");
}

}  // namespace
}  // namespace tarnwick
