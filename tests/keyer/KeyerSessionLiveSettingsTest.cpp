#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/DisplaySettings.h"
#include "audio/WaterfallThread.h"
#include "keyer/KeyerSession.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "send/NoticeQueue.h"
#include "support/AlsaTestConfig.h"
#include "support/FakeKeyingHardware.h"
#include "support/ForkedTest.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;

using test::ScratchDir;
using Clock = std::chrono::steady_clock;

struct Listener : SessionListener {
    PromptAnswer ShowBox(const std::string& text, PromptButtons buttons, Event*) override {
        boxes.push_back(text);
        return NegativeAnswer(buttons);
    }
    void OnTransmissionEnded(EndReason reason) override {
        ended += reason == EndReason::Completed ? 1 : 0;
        transmitting = false;
    }
    std::vector<std::string> boxes;
    int ended = 0;
    bool transmitting = false;
};

// The window's thread changes every live setting, through the session, again and again while
// messages are keyed and, between them, the receive worker and the drawing thread run on an
// ALSA file capture fed with noise. Under ThreadSanitizer this shows that the keying, the
// receive worker and the drawing thread read the window's settings only through their
// snapshots.
TEST(KeyerSessionLiveSettingsTest, TheWindowChangesEverySettingWhileKeyingAndReceiving) {
    ScratchDir dir("tarnwick-session-live");
    test::RunForked([&] {
        const std::string fifo = dir.File("in.fifo");
        ASSERT_TRUE(ScratchDir::Write(
            dir.File("test.conf"),
            AlsaTestConfig::DuplexPcm("rx_test", AlsaTestConfig::FilePcm("/dev/null", fifo),
                                      AlsaTestConfig::FilePcm("/dev/null"))));
        AlsaTestConfig::Use(dir.File("test.conf"));
        setenv(SoundDevices::kDefaultOverride, "rx_test", 1);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const int feed = open(fifo.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        ASSERT_GE(feed, 0);
        std::atomic<bool> done{false};
        std::thread feeder([&] {
            std::mt19937 random(3);
            std::uniform_int_distribution<int> sample(-8000, 8000);
            std::vector<int16_t> block(2048);
            while (!done.load()) {
                for (int16_t& v : block) {
                    v = static_cast<int16_t>(sample(random));
                }
                // A full pipe (nobody capturing while a message is keyed) drops the block.
                [[maybe_unused]] const ssize_t n = write(feed, block.data(), 2 * block.size());
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });

        CTarnwickDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        doc.TXDelay = 0;
        doc.ComPort = {1, 0, 0};
        doc.PortMatrix[0][0] = 1;  // PTT on RTS
        doc.PortMatrix[0][1] = 2;  // CW on DTR
        test::FakeKeyingHardware hardware;
        NoticeQueue queue;
        Listener listener;
        SystemUtcClock utc;
        std::atomic<uint64_t> lines{0};
        {
            KeyerSession session({doc, queue, listener, RealTime(), utc, hardware, true});
            ASSERT_NE(session.Spectrum(), nullptr);
            // The display's drawing thread, as the waterfall widget runs it.
            WaterfallThread drawing(doc, *session.Spectrum(), RealTime(),
                                    [&lines](const WaterfallThread::Line&) { lines.fetch_add(1); });
            drawing.Start();
            session.Start();
            session.SetBufferText(1, "EE");
            const char* const rates[] = {"50", "45"};
            const char* const weights[] = {"1.0", "1.2"};
            const auto deadline = Clock::now() + std::chrono::seconds(60);
            for (unsigned i = 0;
                 (listener.ended < 3 || lines.load() < 3) && Clock::now() < deadline; ++i) {
                session.ChangeSetting("CWRate", rates[i % 2]);
                session.ChangeSetting("DotWgt", weights[i % 2]);
                session.ChangeSetting("DashWgt", i % 2 ? "3.0" : "3.3");
                session.ChangeSetting("LetterSp", i % 2 ? "3.0" : "3.5");
                session.ChangeSetting("TXDelay", i % 2 ? "0" : "0.01");
                session.ChangeSetting("CWInd", i % 2 ? "1" : "0");
                session.ChangeSetting("FilterFreq", i % 2 ? "900" : "1300");
                session.ChangeSetting("FilterWidth", i % 3 ? "50" : "300");
                session.ChangeSetting("FilterBottomWidth", i % 3 ? "200" : "600");
                session.ChangeSetting("DisplayAvg", std::to_string(i % 8));
                session.ChangeSetting("DisplayGain", std::to_string(10 + i % 91));
                session.ChangeSetting("DisplayCont", std::to_string(i % 41));
                session.SetFirFilter(i % 4 < 2);
                session.SetFftFilter(i % 3 == 0);
                drawing.SetSettings(DisplaySettings::FromDocument(doc));
                while (const std::optional<Notice> n = queue.Next(RealTime(), 1)) {
                    session.HandleNotice(*n);
                }
                // A message every second or so, with listening between them.
                if (!session.Transmitting() && i % 200 == 199) {
                    listener.transmitting = true;
                    session.PressFunctionKey(1);
                }
            }
            session.StopTransmission();
            drawing.StopDrawing();
        }
        done = true;
        feeder.join();
        close(feed);
        EXPECT_GE(listener.ended, 3);
        EXPECT_GE(lines.load(), 3u);
        EXPECT_EQ(listener.boxes, std::vector<std::string>{});
    });
}

}  // namespace
}  // namespace tarnwick
