#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "platform/VirtualTimeBase.h"
#include "send/WavePlayer.h"
#include "support/PulseRecorder.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::PulseRecorder;
using test::PulseTestServer;
using test::RecordingPrompter;
using test::ScratchDir;
using test::WaveFileBuilder;
using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;

constexpr unsigned kRate = 11025;
constexpr size_t kBlock = 256;  // about 23 ms per analysis block

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Power of `hz` in a block, relative to the block's total power (1 = a pure tone).
double ToneShare(const int16_t* x, size_t n, double hz, unsigned rate) {
    const double w = 2 * std::numbers::pi * hz / rate;
    double s1 = 0, s2 = 0, total = 0;
    for (size_t i = 0; i < n; ++i) {
        const double s = x[i] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s;
        total += static_cast<double>(x[i]) * x[i];
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    return total > 0 ? 2 * power / (static_cast<double>(n) * total) : 0;
}

// Where a tone of `hz` is heard in a recording, in seconds from its start: from the first to
// the end of the last analysis block in which it is loud and clean, and how much of it in all.
struct Heard {
    double from = -1;
    double to = -1;
    double total = 0;
    double Span() const { return from < 0 ? 0 : to - from; }
};

Heard FindTone(const std::vector<int16_t>& rec, double hz, unsigned rate) {
    Heard h;
    const double blockSeconds = static_cast<double>(kBlock) / rate;
    for (size_t at = 0; at + kBlock <= rec.size(); at += kBlock) {
        double peak = 0;
        for (size_t i = at; i < at + kBlock; ++i) {
            peak = std::max(peak, std::abs(static_cast<double>(rec[i])));
        }
        if (peak > 2000 && ToneShare(&rec[at], kBlock, hz, rate) > 0.8) {
            const double t = static_cast<double>(at) / rate;
            if (h.from < 0) {
                h.from = t;
            }
            h.to = t + blockSeconds;
            h.total += blockSeconds;
        }
    }
    return h;
}

// Blocks at the edges of a tone are part silence and may not count.
constexpr double kEdgeSeconds = 3.0 * kBlock / kRate;

// How unchanged `played` is found in the recording from `from` seconds on: the best normalised
// correlation of quarter-second pieces taken every half second, each searched over the lags
// that `slack` seconds of gaps before it allow. A player held back by a loaded machine leaves
// a gap, which spoils one piece; samples changed on the way spoil every piece.
double Likeness(const std::vector<int16_t>& rec, const std::vector<int16_t>& played, double from,
                double slack) {
    const size_t n = kRate / 4;
    const long reach = static_cast<long>(kBlock) + static_cast<long>(slack * kRate);
    double best = 0;
    for (size_t piece = 0; piece + n <= played.size(); piece += kRate / 2) {
        const long start = static_cast<long>(from * kRate) + static_cast<long>(piece);
        for (long lag = start - static_cast<long>(kBlock); lag <= start + reach; ++lag) {
            if (lag < 0 || static_cast<size_t>(lag) + n > rec.size()) {
                continue;
            }
            double xy = 0, xx = 0, yy = 0;
            for (size_t i = 0; i < n; ++i) {
                const double x = rec[static_cast<size_t>(lag) + i];
                const double y = played[piece + i];
                xy += x * y;
                xx += x * x;
                yy += y * y;
            }
            if (xx > 0 && yy > 0) {
                best = std::max(best, xy / std::sqrt(xx * yy));
            }
        }
    }
    return best;
}

// Plays into a private real-time sound server's null sink through ALSA's "pulse" PCM, picked by
// its number in the operator's device list, and records the sink's monitor.
class WavePlayerPulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PulseTestServer::Installed()) {
            GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are "
                            "not installed";
        }
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        server_.UseInThisProcess();
        const std::vector<SoundDevice> devices = SoundDevices::List();
        const auto pulse = std::find_if(devices.begin(), devices.end(),
                                        [](const SoundDevice& d) { return d.name == "pulse"; });
        ASSERT_NE(pulse, devices.end()) << "the running server's PCM is in the device list";
        device_ = static_cast<int>(pulse - devices.begin());
        ASSERT_TRUE(recorder_.Start(&why)) << why;
    }

    // Waits until `seconds` of the tone of `hz` have been recorded (at most 20 s).
    bool AwaitHeard(double seconds, double hz) {
        const auto giveUp = Clock::now() + std::chrono::seconds(20);
        while (FindTone(recorder_.Peek(), hz, kRate).total < seconds) {
            if (Clock::now() > giveUp) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = server_.Dir() + "/" + name;
        EXPECT_TRUE(ScratchDir::Write(path, bytes));
        return path;
    }

    PulseTestServer server_;
    PulseRecorder recorder_{server_, "keyer.monitor", kRate};
    RecordingPrompter prompter_;
    int device_ = -1;
};

TEST_F(WavePlayerPulseTest, PlaysTheFileInRealTimeAndReportsTheEnd) {
    const std::vector<int16_t> tone = WaveFileBuilder::Tone(700, 1.5, kRate, 12000);
    const std::string path = Write("tone.wav", WaveFileBuilder::Pcm16(1, kRate, tone));
    WavePlayer player(prompter_, RealTime());
    const auto start = Clock::now();
    ASSERT_TRUE(player.Play(path, device_));
    const auto played = Clock::now();
    EXPECT_TRUE(player.WaitDone());
    const double waited = Seconds(Clock::now() - start);
    // (Opening the device can take long on a loaded machine: what Play must not do is wait
    // for the sound, so most of it is left for WaitDone.)
    EXPECT_GT(Seconds(Clock::now() - played), 0.5) << "Play returns while the sound plays";
    EXPECT_FALSE(player.IsOpen());
    const std::vector<int16_t> rec = recorder_.Stop();

    EXPECT_GT(waited, 1.3) << "the end is reported once the sound has been played";
    EXPECT_LT(waited, 10.0);
    const Heard heard = FindTone(rec, 700, kRate);
    EXPECT_GT(heard.total, 1.5 - kEdgeSeconds) << "nothing of the file is lost";
    EXPECT_LT(heard.Span(), 2.5);
    const double slack = std::clamp(heard.Span() - 1.5, 0.0, 1.0);
    EXPECT_GT(Likeness(rec, tone, heard.from, slack), 0.9) << "the samples arrive unchanged";
    EXPECT_EQ(prompter_.Texts(), Texts{});
}

TEST_F(WavePlayerPulseTest, StopFromAnotherThreadSilencesAtOnceAndWaitDoneSucceeds) {
    const std::string path = Write(
        "long.wav", WaveFileBuilder::Pcm16(1, kRate, WaveFileBuilder::Tone(700, 10, kRate, 12000)));
    WavePlayer player(prompter_, RealTime());
    bool played = false;
    Clock::time_point waitEnded;
    // The engine's worker plays and waits; the operator's stop comes from the window's thread.
    std::thread worker([&] {
        played = player.Play(path, device_) && player.WaitDone();
        waitEnded = Clock::now();
    });
    // The stop comes once half a second of the sound has been heard.
    EXPECT_TRUE(AwaitHeard(0.5, 700));
    const auto stopAt = Clock::now();
    player.Stop();
    const double stopTook = Seconds(Clock::now() - stopAt);
    worker.join();
    EXPECT_TRUE(played);
    EXPECT_FALSE(player.IsOpen());
    EXPECT_LT(stopTook, 1.0);
    EXPECT_LT(Seconds(waitEnded - stopAt), 1.0);
    player.Stop();  // a second stop finds nothing to do
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Heard heard = FindTone(recorder_.Stop(), 700, kRate);
    EXPECT_LT(heard.Span(), 3.0) << "the sound ended with the stop, not with the file";
}

// A 45 s file is longer than WaitDone's 30 s: the wait fails, the device stays open and
// playing, and the engine's Stop then ends it. The player's clock is virtual, so the 30 s
// pass at once while the sound plays in real time.
TEST_F(WavePlayerPulseTest, WaitDoneGivesUpAfter30SecondsAndLeavesTheDeviceOpen) {
    const std::string path = Write(
        "45s.wav", WaveFileBuilder::Pcm16(1, kRate, WaveFileBuilder::Tone(700, 45, kRate, 12000)));
    VirtualTimeBase time;
    WavePlayer player(prompter_, time);
    ASSERT_TRUE(player.Play(path, device_));
    EXPECT_FALSE(player.WaitDone());
    EXPECT_EQ(time.NowNs(), 30'000 * kNsPerMs);
    EXPECT_TRUE(player.IsOpen());
    EXPECT_TRUE(AwaitHeard(0.3, 700)) << "it is still playing after the time-out";
    player.Stop();
    EXPECT_FALSE(player.IsOpen());
    EXPECT_TRUE(player.WaitDone()) << "the stop is what WaitDone sees next";
    EXPECT_LT(FindTone(recorder_.Stop(), 700, kRate).Span(), 5.0);
}

// A device that goes away mid-message must not pass for a message sent.
TEST_F(WavePlayerPulseTest, ADeviceLostDuringPlaybackFailsTheWaitAndIsClosed) {
    const std::string path = Write(
        "long.wav", WaveFileBuilder::Pcm16(1, kRate, WaveFileBuilder::Tone(700, 20, kRate, 12000)));
    WavePlayer player(prompter_, RealTime());
    ASSERT_TRUE(player.Play(path, device_));
    EXPECT_TRUE(AwaitHeard(0.2, 700));
    recorder_.Stop();
    server_.Kill();
    const auto start = Clock::now();
    EXPECT_FALSE(player.WaitDone());
    EXPECT_LT(Seconds(Clock::now() - start), 15.0) << "long before the file's 20 s";
    EXPECT_FALSE(player.IsOpen());
    EXPECT_EQ(prompter_.Texts(), Texts{});
}

// 8-bit unsigned stereo at 48 kHz is PCM too: the server converts it to its own format.
TEST_F(WavePlayerPulseTest, OtherPcmLayoutsPlayWhenTheDeviceTakesThem) {
    const std::vector<int16_t> mono = WaveFileBuilder::Tone(1000, 1.0, 48000, 100);
    std::string data;
    for (int16_t s : mono) {
        data.push_back(static_cast<char>(128 + s));
        data.push_back(static_cast<char>(128 + s));
    }
    const std::string path =
        Write("u8.wav", WaveFileBuilder().Format(1, 2, 48000, 8).Data(data).Bytes());
    WavePlayer player(prompter_, RealTime());
    ASSERT_TRUE(player.Play(path, device_));
    EXPECT_TRUE(player.WaitDone());
    const Heard heard = FindTone(recorder_.Stop(), 1000, kRate);
    EXPECT_GT(heard.total, 1.0 - kEdgeSeconds);
    EXPECT_LT(heard.Span(), 2.0);
    EXPECT_EQ(prompter_.Texts(), Texts{});
}

}  // namespace
}  // namespace tarnwick
