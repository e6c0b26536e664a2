#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/Sidetone.h"
#include "model/CTarnwickDoc.h"
#include "platform/Event.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/EngineDriver.h"
#include "support/FakeKeyingHardware.h"
#include "support/PulseRecorder.h"
#include "support/PulseTestServer.h"
#include "support/RaisedNice.h"
#include "support/RecordingPrompter.h"
#include "support/ToneSearch.h"

namespace tarnwick {
namespace {

using test::PulseTestServer;

constexpr unsigned kRate = 11025;
constexpr int kPitch = 600;
constexpr size_t kBlock = 128;  // about 12 ms
// Gaps shorter than this inside a tone (a period the loaded machine delivered late) do not
// split it; the gaps of the keying are several times longer.
constexpr double kMergeSeconds = 0.12;

struct Burst {
    double from;
    double to;
};

// The stretches of the recording in which the sidetone sounds.
std::vector<Burst> Bursts(const std::vector<int16_t>& rec) {
    const test::ToneSearch search(kPitch, kRate, kBlock);
    std::vector<Burst> bursts;
    for (size_t at = 0; at + kBlock <= rec.size(); at += kBlock) {
        const std::vector<double> block(rec.begin() + static_cast<std::ptrdiff_t>(at),
                                        rec.begin() + static_cast<std::ptrdiff_t>(at + kBlock));
        const double peak =
            std::abs(*std::max_element(block.begin(), block.end(), [](double a, double b) {
                return std::abs(a) < std::abs(b);
            }));
        if (peak < 2000 || search.Share(block.data(), kBlock) < 0.8) {
            continue;
        }
        const double t = static_cast<double>(at) / kRate;
        if (!bursts.empty() && t - bursts.back().to < kMergeSeconds) {
            bursts.back().to = t + search.BlockSeconds();
        } else {
            bursts.push_back({t, t + search.BlockSeconds()});
        }
    }
    return bursts;
}

// The engine keys a message on fake serial lines; its key edges reach the sidetone, which
// plays into a private real-time sound server's null sink through ALSA's "pulse" PCM, picked by
// its number in the operator's device list. The sink's monitor is recorded.
TEST(SidetonePulseTest, TheToneFollowsTheKeyOnTheSoundCard) {
    if (!PulseTestServer::Installed()) {
        GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are not "
                        "installed";
    }
    test::RaisedNice priority;  // first: the threads started below inherit it
    PulseTestServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    server.UseInThisProcess();
    const std::vector<SoundDevice> devices = SoundDevices::List();
    const auto pulse = std::find_if(devices.begin(), devices.end(),
                                    [](const SoundDevice& d) { return d.name == "pulse"; });
    ASSERT_NE(pulse, devices.end());
    test::PulseRecorder recorder(server, "keyer.monitor", kRate);
    ASSERT_TRUE(recorder.Start(&why)) << why;

    CTarnwickDoc doc;
    doc.CWRate = 10;  // a dash and a letter gap of 360 ms each
    doc.TXDelay = 0;
    doc.ComPort[0] = 1;
    doc.PortMatrix[0][1] = 2;  // CW on DTR
    NoticeQueue view;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
    Sidetone sidetone;
    engine.SetKeyTap(&sidetone.Tap());
    std::atomic<int> failure{0};
    sidetone.Start({static_cast<int>(pulse - devices.begin()), "pulse"}, kPitch,
                   [&failure](int code) { failure.store(code); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    ASSERT_TRUE(engine.Send("TT"));
    test::EngineDriver driver(engine, view, RealTime());
    Event giveUp(ResetMode::Manual);
    RealTime().StartOneShot(giveUp, 20'000, TimerAction::Set);
    EXPECT_EQ(driver.RunUntilDone(&giveUp), test::SendOutcome::Completed);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sidetone.Stop();
    engine.SetKeyTap(nullptr);
    const std::vector<Burst> bursts = Bursts(recorder.Stop());

    EXPECT_EQ(failure.load(), 0);
    ASSERT_EQ(bursts.size(), 2u) << "one tone per dash, silence between and around them";
    for (const Burst& b : bursts) {
        EXPECT_NEAR(b.to - b.from, 0.36, 0.12);
    }
    EXPECT_NEAR(bursts[1].from - bursts[0].to, 0.36, 0.12);
}

TEST(SidetoneTest, ASoundCardThatIsGoneIsReported) {
    Sidetone sidetone;
    Event reported(ResetMode::Manual);
    std::atomic<int> code{0};
    sidetone.Start({0, "tarnwick-no-such-card"}, kPitch, [&](int c) {
        code.store(c);
        reported.Set();
    });
    ASSERT_TRUE(RealTime().WaitFor(reported, 20'000));
    EXPECT_EQ(code.load(), 2);
    sidetone.Stop();
}

}  // namespace
}  // namespace tarnwick
