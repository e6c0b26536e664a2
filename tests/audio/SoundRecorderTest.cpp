#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/SoundRecorder.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "send/WavePlayer.h"
#include "support/AlsaTestConfig.h"
#include "support/ChildProcess.h"
#include "support/ForkedTest.h"
#include "support/JumpingTime.h"
#include "support/PulseRecorder.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/ToneSearch.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;

using test::ScratchDir;
using test::WaveFileBuilder;
using Activity = SoundRecorder::Activity;
using Clock = std::chrono::steady_clock;

constexpr unsigned kRate = 11025;
constexpr double kToneHz = 1000;

// Waits, within a bound no loaded machine reaches, until `done` holds.
template <typename F>
bool Within(double seconds, F done) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<int16_t> Samples(const std::string& raw) {
    std::vector<int16_t> out(raw.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<int16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                      static_cast<unsigned char>(raw[2 * i + 1]) << 8);
    }
    return out;
}

// A private sound server: a 1000 Hz tone is played into the sink "air", whose monitor is the
// recorder's input; playback goes into the sink "keyer". The operator's default card (device
// -1) is ALSA's "pulse" PCM, both ways.
class SoundRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::PulseTestServer::Installed()) {
            GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are "
                            "not installed";
        }
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        server_.UseInThisProcess();
        environment_.Set(SoundDevices::kDefaultOverride, "pulse");
        environment_.Set("PULSE_SOURCE", "air.monitor");
        environment_.Set("PULSE_SINK", "keyer");
        const std::string tone = server_.Dir() + "/air.wav";
        ASSERT_TRUE(ScratchDir::Write(
            tone,
            WaveFileBuilder::Pcm16(1, kRate, WaveFileBuilder::Tone(kToneHz, 60, kRate, 12000))));
        ASSERT_TRUE(player_.Start({"paplay", "-d", "air", "--latency-msec=20", tone},
                                  server_.ClientEnvironment(), "", tone + ".log", &why))
            << why;
    }

    // Records about a second of the tone.
    void RecordTone() {
        ASSERT_TRUE(recorder_.StartRecording(-1));
        EXPECT_FALSE(recorder_.StartRecording(-1)) << "one recording at a time";
        ASSERT_TRUE(Within(30, [&] { return recorder_.RecordedSeconds() >= 1.0; }))
            << "error " << recorder_.LastError();
        EXPECT_GT(recorder_.Level(), 0.2) << "the meter follows the input";
        recorder_.Stop();
        EXPECT_EQ(recorder_.CurrentActivity(), Activity::Idle);
        EXPECT_EQ(recorder_.LastError(), 0);
    }

    test::PulseTestServer server_{{{"keyer"}, {"air"}}, 0};
    test::ScopedEnvironment environment_;
    test::ChildProcess player_;
    test::RecordingPrompter prompter_;
    SoundRecorder recorder_{prompter_, RealTime()};
    ScratchDir dir_;
};

TEST_F(SoundRecorderTest, SavesAWaveThatTheTransmitPathPlaysAndNeverOverwritesUnasked) {
    RecordTone();
    int error = 0;
    ASSERT_EQ(recorder_.Save(dir_.Path(), "MSvoiceCQ", false, &error),
              SoundRecorder::SaveResult::Saved);
    const std::string path = dir_.File("MSvoiceCQ.wav");
    const std::string saved = ScratchDir::Read(path);

    // The transmit path's WAV insert takes it: every check passes and it plays whole.
    const std::string played = dir_.File("played.raw");
    test::RecordingPrompter playPrompter;
    WavePlayer player(playPrompter, RealTime(),
                      [&](int) { return "file:FILE=" + played + ",FORMAT=raw"; });
    ASSERT_TRUE(player.Play(path, -1) && player.WaitDone())
        << testing::PrintToString(playPrompter.Texts());
    const std::vector<int16_t> samples = Samples(ScratchDir::Read(played));
    EXPECT_GE(samples.size(), kRate * 1u);
    // Exactly an 11025 Hz mono 16-bit PCM file of what was played.
    EXPECT_EQ(saved, WaveFileBuilder::Pcm16(1, kRate, samples));
    const test::ToneSearch::Heard heard = test::ToneSearch(kToneHz, kRate).Find(samples, 2000);
    // The tone is there; how evenly a loaded machine's test player fed it is not ours to judge
    // (the capture's own pace is tested with the sound streams).
    EXPECT_GT(heard.total, 0.25) << "the tone was recorded";

    // An existing file is kept unless replacing it was asked for.
    EXPECT_EQ(recorder_.Save(dir_.Path(), "msvoicecq.WAV", false, &error),
              SoundRecorder::SaveResult::Saved)
        << "another name";
    ASSERT_TRUE(ScratchDir::Write(path, "operator's own"));
    EXPECT_EQ(recorder_.Save(dir_.Path(), "MSvoiceCQ.wav", false, &error),
              SoundRecorder::SaveResult::Exists);
    EXPECT_EQ(ScratchDir::Read(path), "operator's own");
    EXPECT_EQ(recorder_.Save(dir_.Path(), "MSvoiceCQ.wav", true, &error),
              SoundRecorder::SaveResult::Saved);
    EXPECT_EQ(ScratchDir::Read(path), saved);
    EXPECT_EQ(recorder_.Save(dir_.Path() + "/missing", "x", false, &error),
              SoundRecorder::SaveResult::Failed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
}

TEST_F(SoundRecorderTest, PlaysTheRecordingBackOnTheSoundCard) {
    RecordTone();
    test::PulseRecorder keyer(server_, "keyer.monitor", kRate);
    std::string why;
    ASSERT_TRUE(keyer.Start(&why)) << why;
    ASSERT_TRUE(recorder_.StartPlayback(-1));
    EXPECT_EQ(recorder_.CurrentActivity(), Activity::Playing);
    ASSERT_TRUE(Within(30, [&] { return recorder_.CurrentActivity() == Activity::Idle; }));
    EXPECT_EQ(recorder_.LastError(), 0);
    const test::ToneSearch::Heard heard = test::ToneSearch(kToneHz, kRate).Find(keyer.Stop(), 2000);
    // As much tone as the recording holds; a loaded test player may have left gaps in it.
    int error = 0;
    ASSERT_EQ(recorder_.Save(dir_.Path(), "back", false, &error), SoundRecorder::SaveResult::Saved);
    const std::string saved = ScratchDir::Read(dir_.File("back.wav"));
    const test::ToneSearch::Heard recorded =
        test::ToneSearch(kToneHz, kRate).Find(Samples(saved.substr(44)), 2000);
    EXPECT_GT(heard.total, 0.2);
    EXPECT_GT(heard.total, recorded.total * 0.8);
}

TEST(SoundRecorderNameTest, RefusesNamesAMessageCannotInsertAndAddsTheExtension) {
    EXPECT_EQ(SoundRecorder::NameProblem("MS73"), "");
    EXPECT_EQ(SoundRecorder::NameProblem("Contest 73.wav"), "");
    for (const std::string& bad :
         std::vector<std::string>{"", "   ", " x", "x ", ".", "..", "a/b", "{x}", "x[I]",
                                  std::string("a\nb"), std::string(124, 'x')}) {
        EXPECT_NE(SoundRecorder::NameProblem(bad), "") << bad;
    }
    EXPECT_EQ(SoundRecorder::WaveName("MS73"), "MS73.wav");
    EXPECT_EQ(SoundRecorder::WaveName("MS73.WAV"), "MS73.WAV");
    test::RecordingPrompter prompter;
    SoundRecorder recorder(prompter, RealTime());
    int error = 0;
    EXPECT_EQ(recorder.Save("/tmp", "x", false, &error),
              SoundRecorder::SaveResult::NothingRecorded);
    EXPECT_FALSE(recorder.StartPlayback(-1)) << "nothing to play";
}

// A capture that overruns (the recording thread kept from the sound by a busy machine) costs a
// gap, not the recording: here an ALSA file capture that reads far faster than a card and so
// overruns at every block.
TEST(SoundRecorderOverrunTest, AnOverrunLeavesAGapAndTheRecordingGoesOn) {
    ScratchDir dir("tarnwick-recorder-overrun");
    test::RunForked([&] {
        ASSERT_TRUE(ScratchDir::Write(dir.File("in.raw"), std::string(4096 * 4, '\x01')));
        ASSERT_TRUE(ScratchDir::Write(
            dir.File("test.conf"),
            "pcm.rec_test " + AlsaTestConfig::FilePcm("/dev/null", dir.File("in.raw")) + "\n"));
        AlsaTestConfig::Use(dir.File("test.conf"));
        setenv(SoundDevices::kDefaultOverride, "rec_test", 1);
        test::RecordingPrompter prompter;
        test::JumpingTime time;
        SoundRecorder recorder(prompter, time);
        ASSERT_TRUE(recorder.StartRecording(-1));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while ((recorder.Gaps() < 2 || recorder.RecordedSeconds() == 0.0) &&
               (recorder.CurrentActivity() == SoundRecorder::Activity::Recording) &&
               std::chrono::steady_clock::now() < deadline) {
            // The file capture fills the ring at once; a second lost by the recorder's thread
            // leaves it full far longer than the device could hold the rest. It also delivers
            // the recorder's ten minutes within a fraction of a second, so the jumps come often
            // enough to leave their gaps well before that.
            time.Jump(1'000'000'000);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE((recorder.CurrentActivity() == SoundRecorder::Activity::Recording))
            << "the recording ended with error " << recorder.LastError();
        recorder.Stop();
        EXPECT_GE(recorder.Gaps(), 2);
        EXPECT_EQ(recorder.LastError(), 0);
        EXPECT_GT(recorder.RecordedSeconds(), 0.0);
    });
}

}  // namespace
}  // namespace tarnwick
