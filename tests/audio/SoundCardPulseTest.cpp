#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/SoundCard.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "support/ChildProcess.h"
#include "support/PulseRecorder.h"
#include "support/PulseTestServer.h"
#include "support/RaisedNice.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ToneSearch.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::PulseRecorder;
using test::PulseTestServer;
using test::ToneSearch;
using Clock = std::chrono::steady_clock;

constexpr unsigned kRate = 11025;
constexpr unsigned kBlock = 2048;  // what the receive pipeline reads and writes
constexpr double kBlockSeconds = static_cast<double>(kBlock) / kRate;
constexpr double kAirHz = 1000;
constexpr double kPlayHz = 700;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

int IndexOf(const std::string& name) {
    const std::vector<SoundDevice> devices = SoundDevices::List();
    const auto it = std::find_if(devices.begin(), devices.end(),
                                 [&](const SoundDevice& d) { return d.name == name; });
    return it == devices.end() ? -1 : static_cast<int>(it - devices.begin());
}

// A private real-time sound server. Capture comes from the monitor of the sink "air", into
// which a 1000 Hz tone is played; playback goes into the sink "keyer", whose monitor is
// recorded. (The server's sine source hands a new stream a backlog at once; the last test
// covers that.) Both directions use ALSA's "pulse" PCM, chosen by its number in the operator's
// device list.
class SoundCardPulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PulseTestServer::Installed()) {
            GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are "
                            "not installed";
        }
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        server_.UseInThisProcess();
        source_.Set("PULSE_SOURCE", "air.monitor");
        inDevice_ = IndexOf("pulse");
        outDevice_ = IndexOf("pulse");
        ASSERT_GE(inDevice_, 0);
        ASSERT_GE(outDevice_, 0);
    }

    // Starts the tone on "air" and waits until its monitor delivers audio.
    void StartAirTone() {
        const std::string path = server_.Dir() + "/air.wav";
        ASSERT_TRUE(test::ScratchDir::Write(
            path, test::WaveFileBuilder::Pcm16(
                      1, kRate, test::WaveFileBuilder::Tone(kAirHz, 60, kRate, 12000))));
        std::string why;
        // A second of buffer in the server: a player kept from the processor for a moment
        // must not leave gaps in the tone, which would pass for losses in the capture.
        ASSERT_TRUE(player_.Start({"paplay", "-d", "air", "--latency-msec=1000", path},
                                  server_.ClientEnvironment(), "", path + ".log", &why))
            << why;
        ASSERT_TRUE(airRecorder_.Start(&why)) << why;
    }

    // Opens the capture and reads its first block. A new stream's first block can take about
    // two seconds on this server, so a time-out there is followed by a reopen, as the receive
    // pipeline does.
    void OpenCapture(SoundCard& card, std::vector<double>& block) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            ASSERT_EQ(card.OpenInput(format_, inDevice_, kBlock, 0), 0);
            if (card.Read(block.data(), kBlock) == static_cast<int>(kBlock)) {
                return;
            }
            ASSERT_EQ(card.LastError(), 113);
        }
        FAIL() << "no capture within three tries";
    }

    std::vector<double> Tone(double seconds) const {
        const std::vector<int16_t> t = test::WaveFileBuilder::Tone(kPlayHz, seconds, kRate, 12000);
        return std::vector<double>(t.begin(), t.end());
    }

    test::RaisedNice priority_;  // first: everything the test starts inherits it
    PulseTestServer server_{{{"keyer"}, {"air"}}, 0};
    test::ScopedEnvironment source_;
    test::ChildProcess player_;
    PulseRecorder airRecorder_{server_, "air.monitor", kRate};
    PulseRecorder keyerRecorder_{server_, "keyer.monitor", kRate};
    test::RecordingPrompter prompter_;
    const WaveFormat format_{1, 1, kRate, 2 * kRate, 2, 16, 0};
    int inDevice_ = -1;
    int outDevice_ = -1;
};

TEST_F(SoundCardPulseTest, CaptureKeepsPaceWithTheAudioAndOverflowsWhenTheReaderStops) {
    StartAirTone();
    SoundCard card(prompter_, RealTime());
    constexpr int kMore = 10;
    std::vector<double> all;
    std::vector<double> block(kBlock);
    double took = 0;
    bool keptPace = false;
    // An overflow while the test reads on is the machine's doing or this server's (a reader
    // held back, or blocks the server kept back handed out at once): the run is tried afresh.
    for (int attempt = 0; attempt < 3 && !keptPace; ++attempt) {
        all.assign(kBlock, 0.0);
        OpenCapture(card, all);
        const auto start = Clock::now();
        keptPace = true;
        for (int i = 0; i < kMore && keptPace; ++i) {
            keptPace = card.Read(block.data(), kBlock) == static_cast<int>(kBlock);
            ASSERT_TRUE(keptPace || card.LastError() == 112)
                << "block " << i << ", error " << card.LastError();
            all.insert(all.end(), block.begin(), block.end());
        }
        took = Since(start);
    }
    ASSERT_TRUE(keptPace) << "the capture overflowed in three tries";
    Sleep(1.2);  // three buffers hold 0.56 s
    EXPECT_EQ(card.Read(block.data(), kBlock), -1);
    EXPECT_EQ(card.LastError(), 112);
    EXPECT_EQ(card.Read(block.data(), kBlock), -1) << "the overflow closed the input";
    EXPECT_EQ(card.LastError(), 111);
    OpenCapture(card, block);  // the same object opens again

    EXPECT_GT(took, kMore * kBlockSeconds * 0.5) << "blocks come at the rate of the audio";
    EXPECT_LT(took, kMore * kBlockSeconds * 4);
    // Blocks overlapping every boundary between buffers: a lost, repeated or reordered
    // buffer breaks the tone's phase there.
    const ToneSearch tone(kAirHz, kRate);
    const ToneSearch::Heard heard = tone.Find(all, 2000, 64);
    EXPECT_DOUBLE_EQ(heard.from, 0);
    EXPECT_NEAR(heard.total, static_cast<double>(all.size() - 256) / kRate, 64.0 / kRate);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
}

TEST_F(SoundCardPulseTest, StalledCaptureTimesOutAndAStopEndsTheWaitAtOnce) {
    StartAirTone();
    SoundCard card(prompter_, RealTime());
    std::vector<double> block(kBlock);
    OpenCapture(card, block);
    test::ChildProcess pactl;
    std::string why;
    ASSERT_TRUE(pactl.Start({"pactl", "suspend-sink", "air", "1"}, server_.ClientEnvironment(), "",
                            "", &why))
        << why;
    EXPECT_EQ(pactl.End(0, 10000), 0);
    // What was captured before the stall still comes; then the wait gives up.
    const auto start = Clock::now();
    double lastRead = 0;
    int result = 0;
    for (int i = 0; i < 20 && result >= 0; ++i) {
        const auto before = Clock::now();
        result = card.Read(block.data(), kBlock);
        lastRead = Since(before);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(card.LastError(), 113);
    EXPECT_GT(lastRead, 1.5) << "the wait lasts its bound";
    EXPECT_LT(lastRead, 4.0);
    EXPECT_LT(Since(start), 10.0);

    // The device is still stalled: a stop from another thread ends the wait long before its
    // two seconds are up.
    ASSERT_EQ(card.OpenInput(format_, inDevice_, kBlock, 0), 0);
    std::thread stopper([&] {
        Sleep(0.2);
        card.Interrupt();
    });
    const auto waitStart = Clock::now();
    for (int i = 0; i < 20 && result >= 0; ++i) {
        result = card.Read(block.data(), kBlock);
    }
    const double waited = Since(waitStart);
    stopper.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(waited, 1.5);
}

TEST_F(SoundCardPulseTest, PlaybackWaitsForTwoQueuedBuffersThenPlaysThemOut) {
    std::string why;
    ASSERT_TRUE(keyerRecorder_.Start(&why)) << why;
    const auto recordStart = Clock::now();
    SoundCard card(prompter_, RealTime());
    ASSERT_EQ(card.OpenOutput(format_, outDevice_, kBlock, 0), 0);
    const std::vector<double> tone = Tone(2 * kBlockSeconds);
    ASSERT_EQ(card.Write(tone.data(), kBlock), static_cast<int>(kBlock));
    const double firstWrite = Since(recordStart);
    Sleep(1.0);
    ASSERT_EQ(card.Write(tone.data() + kBlock, kBlock), static_cast<int>(kBlock));
    const auto playStart = Clock::now();
    EXPECT_EQ(card.WaitOutputDone(), 0);
    const double played = Since(playStart);
    card.CloseOutput();
    EXPECT_EQ(card.LastError(), 0);
    const ToneSearch::Heard heard = ToneSearch(kPlayHz, kRate).Find(keyerRecorder_.Stop(), 2000);

    EXPECT_GT(played, 2 * kBlockSeconds * 0.7) << "the wait lasts as long as the queue plays";
    EXPECT_LT(played, 5.0);
    EXPECT_GT(heard.from, firstWrite + 0.8) << "one queued buffer alone is not played";
    EXPECT_GT(heard.total, 2 * kBlockSeconds - 0.1) << "both buffers are heard";
    EXPECT_LT(heard.Span(), 2 * kBlockSeconds + 0.2);
}

TEST_F(SoundCardPulseTest, ClosingPlaysThePartlyFilledBuffer) {
    std::string why;
    ASSERT_TRUE(keyerRecorder_.Start(&why)) << why;
    SoundCard card(prompter_, RealTime());
    ASSERT_EQ(card.OpenOutput(format_, outDevice_, kBlock, 0), 0);
    const std::vector<double> tone = Tone(1.5 * kBlockSeconds);
    ASSERT_EQ(card.Write(tone.data(), kBlock), static_cast<int>(kBlock));
    ASSERT_EQ(card.Write(tone.data() + kBlock, kBlock / 2), static_cast<int>(kBlock / 2));
    const auto start = Clock::now();
    card.CloseOutput();
    const double closing = Since(start);
    EXPECT_EQ(card.LastError(), 0);
    const ToneSearch::Heard heard = ToneSearch(kPlayHz, kRate).Find(keyerRecorder_.Stop(), 2000);
    EXPECT_GT(closing, kBlockSeconds) << "closing waits until the sound has been played";
    EXPECT_LT(closing, 5.0);
    EXPECT_GT(heard.total, 1.5 * kBlockSeconds - 0.1);
    EXPECT_LT(heard.Span(), 1.5 * kBlockSeconds + 0.2);
}

// The receive pipeline's loop: read a block, write it back. Neither direction may report an
// overflow or underflow while the loop keeps pace, and what is captured is what is heard; once
// the writer stops, the output underflows. This server's capture hands out its blocks late at
// times (some 7 % slower than the rate on an idle machine, more on a busy one) and a busy
// machine holds the loop back: a report that comes then must be due (the time since the output
// started, or since the last read, shows it), and the loop is tried afresh.
TEST_F(SoundCardPulseTest, ReadingAndWritingInStepPassesTheAudioOnUntilTheWriterStops) {
    StartAirTone();
    constexpr int kBlocks = 12;  // over two seconds
    std::vector<int16_t> recording;
    bool keptPace = false;
    for (int attempt = 0; attempt < 3 && !keptPace; ++attempt) {
        PulseRecorder recorder(server_, "keyer.monitor", kRate);
        std::string why;
        ASSERT_TRUE(recorder.Start(&why)) << why;
        SoundCard input(prompter_, RealTime());
        SoundCard output(prompter_, RealTime());
        std::vector<double> block(kBlock);
        // The output first: opening it can take a while on a loaded machine, and the capture
        // would overflow meanwhile. A block of silence ahead keeps a third buffer in it.
        ASSERT_EQ(output.OpenOutput(format_, outDevice_, kBlock, 0), 0);
        const std::vector<double> silence(kBlock, 0.0);
        ASSERT_EQ(output.Write(silence.data(), kBlock), static_cast<int>(kBlock));
        OpenCapture(input, block);
        Clock::time_point lastRead = Clock::now();
        Clock::time_point playing = lastRead;  // the second buffer starts the output
        keptPace = true;
        for (int i = 0; i < kBlocks && keptPace; ++i) {
            if (output.Write(block.data(), kBlock) != static_cast<int>(kBlock)) {
                ASSERT_EQ(output.LastError(), 115) << "block " << i;
                ASSERT_GT(Since(playing), (i + 1) * kBlockSeconds - 0.1)
                    << "the output ran dry before what was written could have played, block " << i;
                keptPace = false;
                break;
            }
            playing = i == 0 ? Clock::now() : playing;
            if (input.Read(block.data(), kBlock) != static_cast<int>(kBlock)) {
                ASSERT_EQ(input.LastError(), 112) << "block " << i;
                ASSERT_GT(Since(lastRead), 2 * kBlockSeconds)
                    << "the capture overflowed although it was read in time, block " << i;
                keptPace = false;
                break;
            }
            lastRead = Clock::now();
        }
        if (!keptPace) {
            continue;
        }
        input.CloseInput();
        Sleep(1.5);  // the writer stops: everything queued plays
        EXPECT_EQ(output.Write(block.data(), kBlock), -1);
        EXPECT_EQ(output.LastError(), 115);
        EXPECT_EQ(output.Write(block.data(), kBlock), -1) << "the underflow closed the output";
        EXPECT_EQ(output.LastError(), 114);
        recording = recorder.Stop();
    }
    ASSERT_TRUE(keptPace) << "the loop never kept pace in three tries";
    const ToneSearch::Heard heard = ToneSearch(kAirHz, kRate).Find(recording, 2000);
    EXPECT_GT(heard.total, kBlocks * kBlockSeconds - 0.2) << "every block is heard";
    EXPECT_LT(heard.Span(), kBlocks * kBlockSeconds + 0.5) << "without gaps";
}

// (A suspended sink of this server still takes audio at its rate, so a stalled playback cannot
// be made here; a vanished server below ends in the same time-out.)
TEST_F(SoundCardPulseTest, AStopEndsAPlaybackWaitAtOnceAndSkipsThePlayOut) {
    constexpr unsigned kLong = kRate * 3 / 2;  // 1.5 s buffers: a long wait for the first
    SoundCard card(prompter_, RealTime());
    ASSERT_EQ(card.OpenOutput(format_, outDevice_, kLong, 0), 0);
    const std::vector<double> tone = Tone(3.0);
    EXPECT_EQ(card.Write(tone.data(), kLong), static_cast<int>(kLong));
    EXPECT_EQ(card.Write(tone.data() + kLong, kLong), static_cast<int>(kLong));
    std::thread stopper([&] {
        Sleep(0.2);
        card.Interrupt();
    });
    const auto waitStart = Clock::now();
    EXPECT_EQ(card.WaitOutputDone(), 116);
    const double stopped = Since(waitStart);
    stopper.join();
    EXPECT_LT(stopped, 1.0) << "the first buffer alone takes 1.5 s to play";
    const auto closeStart = Clock::now();
    card.CloseOutput();
    EXPECT_LT(Since(closeStart), 1.0) << "after a stop nothing more is played out";
    EXPECT_EQ(card.Write(tone.data(), kLong), -1);
    EXPECT_EQ(card.LastError(), 114);
}

TEST_F(SoundCardPulseTest, AVanishedServerEndsBothDirectionsWithinTheBound) {
    StartAirTone();
    SoundCard input(prompter_, RealTime());
    SoundCard output(prompter_, RealTime());
    std::vector<double> block(kBlock);
    // The output first: opening it can take a while on a loaded machine, and the capture
    // would overflow meanwhile.
    ASSERT_EQ(output.OpenOutput(format_, outDevice_, kBlock, 0), 0);
    OpenCapture(input, block);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(input.Read(block.data(), kBlock), static_cast<int>(kBlock)) << input.LastError();
        ASSERT_EQ(output.Write(block.data(), kBlock), static_cast<int>(kBlock))
            << output.LastError();
    }
    server_.Stop();
    const auto start = Clock::now();
    int read = 0;
    int written = 0;
    for (int i = 0; i < 20 && (read >= 0 || written >= 0); ++i) {
        if (read >= 0) {
            read = input.Read(block.data(), kBlock);
        }
        if (written >= 0) {
            written = output.Write(block.data(), kBlock);
        }
    }
    EXPECT_LT(Since(start), 10.0);
    EXPECT_EQ(read, -1);
    EXPECT_EQ(input.LastError(), 113);
    EXPECT_EQ(written, -1);
    EXPECT_EQ(output.LastError(), 116);
    const auto closing = Clock::now();
    input.CloseInput();
    output.CloseOutput();
    EXPECT_LT(Since(closing), 1.0);
}

// The server's sine source hands its audio out in bursts of a second or two, starting with a
// backlog of more than three buffers as a stream opens. A reader that takes every block as it
// comes keeps up with that: never an overflow, and the tone. (Between two bursts a read may
// time out on a loaded machine; the receive worker reopens then, and so does this test.)
TEST(SoundCardBacklogTest, ABacklogHandedOverAtOnceIsNoOverflowForAReaderThatKeepsPace) {
    if (!PulseTestServer::Installed()) {
        GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are "
                        "not installed";
    }
    test::RaisedNice priority;
    PulseTestServer server({{"keyer"}}, 800);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    server.UseInThisProcess();
    test::RecordingPrompter prompter;
    SoundCard card(prompter, RealTime());
    const WaveFormat format{1, 1, kRate, 2 * kRate, 2, 16, 0};
    std::vector<double> block(kBlock);
    int blocks = 0;
    for (int opens = 0; opens < 6 && blocks < 12; ++opens) {
        ASSERT_EQ(card.OpenInput(format, IndexOf("pulse"), kBlock, 0), 0);
        while (blocks < 12 && card.Read(block.data(), kBlock) == static_cast<int>(kBlock)) {
            ++blocks;
        }
        ASSERT_TRUE(blocks == 12 || card.LastError() == 113)
            << "block " << blocks << ", error " << card.LastError();
    }
    ASSERT_EQ(blocks, 12);
    EXPECT_GT(ToneSearch(800, kRate).Share(block.data(), kBlock), 0.5);
    card.CloseInput();
}

}  // namespace
}  // namespace tarnwick
