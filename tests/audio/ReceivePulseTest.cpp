#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>
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
#include "support/RaisedNice.h"
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
// What is left of the 3.5 s of a transmission without sound: the last blocks queued before it
// still play (up to three, 0.56 s).
constexpr double kTransmitSilence = 2.5;

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
// more than a few steps of level; gaps under 0.1 s do not split a stretch.
std::vector<Segment> Heard(const std::vector<int16_t>& x) {
    constexpr size_t kWindow = 256;
    constexpr size_t kBridge = 4;
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

// The two receive passes of a recording, told apart by the longest silence between stretches of
// sound, which the transmission leaves (see RunThenTransmit). A device reopened on a loaded
// machine leaves shorter gaps inside a pass; each pass is represented by its longest stretch.
struct Passes {
    Segment before;
    Segment after;
    double silence = 0;  // seconds
};

std::optional<Passes> SplitAtTransmission(const std::vector<int16_t>& x) {
    const std::vector<Segment> heard = Heard(x);
    if (heard.size() < 2) {
        return std::nullopt;
    }
    size_t gap = 0;
    for (size_t k = 1; k + 1 < heard.size(); ++k) {
        if (heard[k + 1].from - heard[k].to > heard[gap + 1].from - heard[gap].to) {
            gap = k;
        }
    }
    const auto longest = [](auto first, auto last) {
        return *std::max_element(first, last, [](const Segment& a, const Segment& b) {
            return a.to - a.from < b.to - b.from;
        });
    };
    return Passes{longest(heard.begin(), heard.begin() + static_cast<long>(gap) + 1),
                  longest(heard.begin() + static_cast<long>(gap) + 1, heard.end()),
                  static_cast<double>(heard[gap + 1].from - heard[gap].to) / kRate};
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
// monitor is recorded, next to a recording of the tone it captured. (The played tone arrives
// in buffer-sized pieces, as a sound card's does; the server's own sine source hands a new
// stream a backlog at once.)
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
    // lasts 3.5 s: the silence it leaves is longer than any reopen of a device leaves.
    void RunThenTransmit(size_t blocks) {
        ASSERT_TRUE(display_->AwaitMoreThan(display_->Announcements().size() + blocks - 1));
        const Clock::time_point raised = Clock::now();
        doc_.Transmitting = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(3500));
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

    test::RaisedNice priority_;  // first: everything the test starts inherits it
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
    ReceiveSettings fir = ReceiveSettings::FromDocument(doc_);
    fir.FirFilter = true;
    rx_->SetSettings(fir);
    ReceiveAgain(16);
    Finish();

    const std::optional<Passes> passes = SplitAtTransmission(played);
    ASSERT_TRUE(passes) << "two passes";
    EXPECT_GT(passes->silence, kTransmitSilence) << "silence while transmitting";
    const double in = InputAmplitude(1000);
    ASSERT_GT(in, 1000.0) << "the sine source is heard";
    // Both filters off: half level (every second sample into the interpolator is zero),
    // give or take the fixed filters' gains of +0.13 and +0.01 dB.
    EXPECT_NEAR(Level(played, passes->before, 1000) / in, 0.5, 0.5 * 0.04);

    BandPassDesigner designer;
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(1000, 200, 600);
    std::vector<double> h(BandPassDesigner::kTaps);
    designer.DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    const double passRipple = designer.Exchange().Deviation();
    EXPECT_NEAR(Level(played, passes->after, 1000) / in, 0.5, 0.5 * (passRipple + 0.04));
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
    ReceiveSettings unfiltered = ReceiveSettings::FromDocument(doc_);
    unfiltered.FirFilter = false;
    rx_->SetSettings(unfiltered);
    ReceiveAgain(16);
    Finish();

    const std::optional<Passes> passes = SplitAtTransmission(played);
    ASSERT_TRUE(passes) << "two passes";
    EXPECT_GT(passes->silence, kTransmitSilence) << "silence while transmitting";
    const double in = InputAmplitude(1800);
    ASSERT_GT(in, 1000.0) << "the sine source is heard";
    const double open = Level(played, passes->after, 1800);
    EXPECT_NEAR(open / in, 0.5, 0.5 * 0.04) << "without filters the tone passes at half level";

    BandPassDesigner designer;
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(1000, 200, 600);
    std::vector<double> h(BandPassDesigner::kTaps);
    designer.DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    const double stopRipple = designer.Exchange().Deviation() / BandPassDesigner::kStopWeight;
    const double held = Level(played, passes->before, 1800);
    EXPECT_GT(held, 0.0);
    EXPECT_LT(held / open, stopRipple) << "at least " << -20 * std::log10(stopRipple) << " dB";
}

}  // namespace
}  // namespace tarnwick
