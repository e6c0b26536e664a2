#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "audio/BandPassDesigner.h"
#include "audio/ReceiveProcessor.h"
#include "model/CTarnwickDoc.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "support/ChildProcess.h"
#include "support/PulseRecorder.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::PulseRecorder;
using test::PulseTestServer;
using Clock = std::chrono::steady_clock;

constexpr double kRate = 11025.0;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Amplitude of a tone of `hz` in x[from, to): the median of least-squares fits over 2048-sample
// windows, so that a stray glitch does not move it.
double Amplitude(const std::vector<int16_t>& x, size_t from, size_t to, double hz) {
    std::vector<double> fits;
    for (size_t at = from; at + 2048 <= to; at += 2048) {
        double c = 0, s = 0, cc = 0, ss = 0;
        for (size_t n = at; n < at + 2048; ++n) {
            const double w = 2.0 * std::numbers::pi * hz / kRate * static_cast<double>(n);
            c += x[n] * std::cos(w);
            s += x[n] * std::sin(w);
            cc += std::cos(w) * std::cos(w);
            ss += std::sin(w) * std::sin(w);
        }
        fits.push_back(std::hypot(c / cc, s / ss));
    }
    if (fits.empty()) {
        return -1.0;
    }
    std::nth_element(fits.begin(), fits.begin() + fits.size() / 2, fits.end());
    return fits[fits.size() / 2];
}

struct Segment {
    size_t from;
    size_t to;
};

// Stretches of a recording where something was played, found from 256-sample windows with
// more than a few steps of level. Gaps under a second do not split a stretch: a playback that
// ran dry on a loaded machine is reopened within that, while a transmission holds the worker
// for longer (see RunThenTransmit).
std::vector<Segment> Heard(const std::vector<int16_t>& x) {
    constexpr size_t kWindow = 256;
    constexpr size_t kBridge = 43;  // windows of 23 ms
    std::vector<Segment> out;
    size_t quiet = kBridge + 1;
    for (size_t at = 0; at + kWindow <= x.size(); at += kWindow) {
        double power = 0;
        for (size_t n = at; n < at + kWindow; ++n) {
            power += static_cast<double>(x[n]) * x[n];
        }
        if (std::sqrt(power / kWindow) > 3.0) {
            if (quiet > kBridge) {
                out.push_back({at, at + kWindow});
            }
            out.back().to = at + kWindow;
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return out;
}

// The waterfall's side of the hand-shake: while idle it clears DisplayBusy and waits for the
// announcement, then is busy drawing for a moment. On hold it stays busy and takes nothing.
class DisplayThread {
public:
    explicit DisplayThread(CTarnwickDoc& doc) : doc_(doc), thread_([this] { Run(); }) {}
    ~DisplayThread() {
        quit_ = true;
        thread_.join();
    }

    // On hold, returns once the display is busy and takes nothing more.
    void Hold(bool hold) {
        held_ = false;
        hold_ = hold;
        const auto giveUp = Clock::now() + std::chrono::seconds(20);
        while (hold && !held_ && Clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::vector<Clock::time_point> Announcements() {
        std::lock_guard lock(mutex_);
        return times_;
    }
    // Waits until more than `count` blocks have been announced (at most 20 s).
    bool AwaitMoreThan(size_t count) {
        const auto giveUp = Clock::now() + std::chrono::seconds(20);
        while (Announcements().size() <= count) {
            if (Clock::now() > giveUp) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    void Run() {
        while (!quit_) {
            if (hold_) {
                doc_.DisplayBusy = 1;
                held_ = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            doc_.DisplayBusy = 0;
            if (RealTime().WaitFor(doc_.DataReadyEvent, 50)) {
                doc_.DisplayBusy = 1;
                {
                    std::lock_guard lock(mutex_);
                    times_.push_back(Clock::now());
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    }

    CTarnwickDoc& doc_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> hold_{false};
    std::atomic<bool> held_{false};
    std::mutex mutex_;
    std::vector<Clock::time_point> times_;
    std::thread thread_;
};

// The receive worker in real time on a private sound server: it captures the monitor of a
// null sink into which a client plays a long tone, and plays into a second null sink whose
// monitor is recorded, next to a recording of the tone it captured. (The server's own sine
// source posts its sound in two-second bursts, which overflow any three-buffer capture ring of
// 186 ms buffers; the played tone arrives in buffer-sized pieces, as a sound card's does.)
class ReceivePulseTest : public ::testing::Test {
protected:
    // Starts the server, the tone of `hz` and both recordings.
    void StartServer(unsigned hz) {
        if (!PulseTestServer::Installed() || !test::OnPath("pacat")) {
            GTEST_SKIP() << "pulseaudio, pacat and parecord (Debian: pulseaudio "
                            "pulseaudio-utils) are not installed";
        }
        server_ = std::make_unique<PulseTestServer>(
            std::vector<PulseTestServer::Sink>{{"keyer"}, {"tone"}}, 0);
        std::string why;
        ASSERT_TRUE(server_->Start(&why)) << why;
        const std::string tone = server_->Dir() + "/tone.raw";
        ASSERT_TRUE(test::ScratchDir::Write(
            tone, test::WaveFileBuilder::Samples16(
                      test::WaveFileBuilder::Tone(hz, 60.0, static_cast<unsigned>(kRate), 16000))));
        ASSERT_TRUE(player_.Start({"pacat", "--raw", "--format=s16le", "--rate=11025",
                                   "--channels=1", "--device=tone", "--latency-msec=1000", tone},
                                  server_->ClientEnvironment(), "", server_->Dir() + "/pacat.log",
                                  &why))
            << why;
        server_->UseInThisProcess();
        environment_.Set(SoundDevices::kDefaultOverride, "pulse");
        environment_.Set("PULSE_SOURCE", "tone.monitor");
        environment_.Set("PULSE_SINK", "keyer");
        played_ = std::make_unique<PulseRecorder>(*server_, "keyer.monitor");
        input_ = std::make_unique<PulseRecorder>(*server_, "tone.monitor");
        ASSERT_TRUE(played_->Start(&why)) << why;
        ASSERT_TRUE(input_->Start(&why)) << why;
        ASSERT_TRUE(doc_.OnNewDocument());
        doc_.FilterFreq = 1000;
        doc_.FilterWidth = 200;
        doc_.FilterBottomWidth = 600;
        doc_.DisplayAvg = 0;
    }

    // Lets the worker announce `blocks` more blocks, then raises Transmitting and checks that
    // the pass ends within a block or two: no announcement after that, the worker waiting.
    // (Counted, not timed: on a loaded machine those blocks may come late.) The transmission
    // lasts 2.5 s, so the silence it leaves is well over the second Heard bridges.
    void RunThenTransmit(size_t blocks) {
        ASSERT_TRUE(display_->AwaitMoreThan(display_->Announcements().size() + blocks - 1));
        const Clock::time_point raised = Clock::now();
        doc_.Transmitting = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        int late = 0;
        for (const Clock::time_point t : display_->Announcements()) {
            late += t > raised ? 1 : 0;
        }
        EXPECT_LE(late, 2) << "blocks announced after Transmitting was raised";
        EXPECT_TRUE(rx_->IsRunning()) << "the worker waits for the end of the transmission";
    }

    // Clears Transmitting and lets the new pass run for `blocks` announced blocks.
    void ReceiveAgain(size_t blocks) {
        const size_t before = display_->Announcements().size();
        doc_.Transmitting = 0;
        EXPECT_TRUE(display_->AwaitMoreThan(before + blocks - 1)) << "a new pass after the end";
    }

    void Finish() {
        const Clock::time_point stopAt = Clock::now();
        rx_->Stop();
        EXPECT_LT(Seconds(Clock::now() - stopAt), 2.0) << "Stop returns promptly";
        EXPECT_FALSE(rx_->IsRunning());
        display_.reset();
        played = played_->Stop();
        captured = input_->Stop();
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
    }

    double InputAmplitude(double hz) const {
        return Amplitude(captured, captured.size() / 4, captured.size(), hz);
    }

    // The amplitude of `hz` in a played stretch, leaving out its edges.
    static double Level(const std::vector<int16_t>& x, const Segment& s, double hz) {
        const size_t edge = static_cast<size_t>(0.4 * kRate);
        return Amplitude(x, s.from + edge, s.to - edge, hz);
    }

    void StartWorker() {
        display_ = std::make_unique<DisplayThread>(doc_);
        rx_ = std::make_unique<ReceiveProcessor>(doc_, prompter_, RealTime());
        rx_->Start();
    }

    std::unique_ptr<PulseTestServer> server_;
    test::ChildProcess player_;
    test::ScopedEnvironment environment_;
    std::unique_ptr<PulseRecorder> played_;
    std::unique_ptr<PulseRecorder> input_;
    CTarnwickDoc doc_;
    test::RecordingPrompter prompter_;
    std::unique_ptr<DisplayThread> display_;
    std::unique_ptr<ReceiveProcessor> rx_;
    std::vector<int16_t> played;
    std::vector<int16_t> captured;
};

TEST_F(ReceivePulseTest, ToneInThePassBandComesBackAtHalfLevelAndTheDisplayIsToldOnlyWhenIdle) {
    ASSERT_NO_FATAL_FAILURE(StartServer(1000));
    if (IsSkipped()) {
        return;
    }
    doc_.FirFilter = 0;
    doc_.FftFilter = 0;
    StartWorker();

    // A display that is busy is never told: no announcement is left waiting for it.
    ASSERT_TRUE(display_->AwaitMoreThan(8)) << "the idle display hears of the blocks";
    display_->Hold(true);
    // (Time for an announcement decided just before the hold to land.)
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    doc_.DataReadyEvent.Reset();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_FALSE(doc_.DataReadyEvent.IsSignalled(RealTime().NowNs()));
    display_->Hold(false);

    RunThenTransmit(5);
    doc_.FirFilter = 1;
    ReceiveAgain(16);
    Finish();

    const std::vector<Segment> heard = Heard(played);
    ASSERT_EQ(heard.size(), 2u) << "two passes, silence between them";
    const double in = InputAmplitude(1000);
    ASSERT_GT(in, 1000.0) << "the sine source is heard";
    // Both filters off: half level (every second sample into the interpolator is zero),
    // give or take the fixed filters' gains of +0.13 and +0.01 dB.
    EXPECT_NEAR(Level(played, heard[0], 1000) / in, 0.5, 0.5 * 0.04);

    BandPassDesigner designer;
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(1000, 200, 600);
    std::vector<double> h(BandPassDesigner::kTaps);
    designer.DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    const double passRipple = designer.Exchange().Deviation();
    EXPECT_NEAR(Level(played, heard[1], 1000) / in, 0.5, 0.5 * (passRipple + 0.04));
}

TEST_F(ReceivePulseTest, ToneFarOutsideTheDesignedBandIsHeldDownAsTheDesignPromises) {
    ASSERT_NO_FATAL_FAILURE(StartServer(1800));
    if (IsSkipped()) {
        return;
    }
    doc_.FirFilter = 1;
    doc_.FftFilter = 0;
    StartWorker();
    RunThenTransmit(16);
    doc_.FirFilter = 0;
    ReceiveAgain(16);
    Finish();

    const std::vector<Segment> heard = Heard(played);
    ASSERT_EQ(heard.size(), 2u) << "two passes, silence between them";
    const double in = InputAmplitude(1800);
    ASSERT_GT(in, 1000.0) << "the sine source is heard";
    const double open = Level(played, heard[1], 1800);
    EXPECT_NEAR(open / in, 0.5, 0.5 * 0.04) << "without filters the tone passes at half level";

    BandPassDesigner designer;
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(1000, 200, 600);
    std::vector<double> h(BandPassDesigner::kTaps);
    designer.DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    const double stopRipple = designer.Exchange().Deviation() / BandPassDesigner::kStopWeight;
    const double held = Level(played, heard[0], 1800);
    EXPECT_GT(held, 0.0);
    EXPECT_LT(held / open, stopRipple) << "at least " << -20 * std::log10(stopRipple) << " dB";
}

}  // namespace
}  // namespace tarnwick
