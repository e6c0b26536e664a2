#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/KeyingPortManager.h"
#include "send/MediaTimer.h"
#include "support/RecordingKeyingDevice.h"
#include "support/RecordingNoticeSink.h"

namespace tarnwick {
namespace {

using test::DeviceLog;
using test::RecordingKeyingDevice;
using test::RecordingNoticeSink;

// Wakes every timed wait `lateNs` after it was due, like a loaded machine.
class LateTimeBase : public TimeBase {
public:
    explicit LateTimeBase(int64_t lateNs) : lateNs_(lateNs) {}
    int64_t NowNs() override { return inner_.NowNs(); }
    int WaitAny(std::span<Event* const> events, int64_t deadlineNs) override {
        const int r = inner_.WaitAny(events, deadlineNs);
        inner_.AdvanceNs(lateNs_);
        return r;
    }
    void SleepUntil(int64_t deadlineNs) override { inner_.SleepUntil(deadlineNs); }

private:
    VirtualTimeBase inner_;
    int64_t lateNs_;
};

struct Keyer {
    explicit Keyer(TimeBase& t, unsigned wpm = 20) : time(t), log(std::make_shared<DeviceLog>(t)) {
        doc.CWRate = wpm;
        KeyingPortManager::Devices devices;
        devices.cw = std::make_unique<RecordingKeyingDevice>(log);
        ports = std::make_unique<KeyingPortManager>(doc, sink, time, std::move(devices));
    }

    void Key(const std::string& text, Event* stopEvent = nullptr) {
        MorseRun run = ConvertToMorse(text);
        start = time.NowNs();
        timer.SendCw(run, *ports, stop, stopEvent);
    }

    // Edges as (ms since the run started, down?), one per change of the key.
    std::vector<CwEdge> Edges() const {
        std::vector<CwEdge> edges;
        bool down = false;
        for (const auto& c : log->Calls()) {
            const bool isDown = c.what == "down";
            if (isDown != down) {
                edges.push_back({static_cast<uint64_t>((c.atNs - start) / kNsPerMs), isDown});
                down = isDown;
            }
        }
        return edges;
    }

    TimeBase& time;
    CTarnwickDoc doc;
    RecordingNoticeSink sink;
    std::shared_ptr<DeviceLog> log;
    std::unique_ptr<KeyingPortManager> ports;
    MediaTimer timer{doc, time};
    std::atomic<int> stop{0};
    int64_t start = 0;
};

bool SameEdges(const std::vector<CwEdge>& a, const std::vector<CwEdge>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].atMs != b[i].atMs || a[i].down != b[i].down) {
            return false;
        }
    }
    return true;
}

TEST(MediaTimerTest, KeysExactlyTheIdealSchedule) {
    VirtualTimeBase time;
    Keyer k(time);
    k.Key("E E");
    EXPECT_TRUE(SameEdges(k.Edges(), {{0, true}, {60, false}, {540, true}, {600, false}}));

    VirtualTimeBase time50;
    Keyer five(time50, 50);
    five.Key("5");
    const auto e = five.Edges();
    ASSERT_EQ(e.size(), 10u);
    for (size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(e[i].atMs, 24 * i);
    }

    const std::string text = "CQ TEST de k1abc/p 5NN 73 = SK * ? 0123456789 A#B  WORD";
    VirtualTimeBase time2;
    Keyer k2(time2, 23);
    k2.doc.DotWgt = 1.2;
    k2.doc.LetterSp = 3.5;
    k2.Key(text);
    const CwTiming t = ComputeCwTiming(23, 1.2, 3.0, 3.5);
    EXPECT_TRUE(SameEdges(k2.Edges(), IdealCwSchedule(ConvertToMorse(text), t)));
}

TEST(MediaTimerTest, NoticesKeyUpAtTheEndAndTheRigControlPath) {
    VirtualTimeBase time;
    Keyer k(time);
    k.Key("");
    EXPECT_EQ(k.log->What(), (std::vector<std::string>{"up"}));

    VirtualTimeBase time2;
    Keyer k2(time2);
    k2.Key("AB");
    int chars = 0, downs = 0, ups = 0;
    for (const auto& n : k2.sink.Notices()) {
        chars += n.wParam == kEventCharacter;
        downs += n.wParam == kEventKeyDown;
        ups += n.wParam == kEventKeyUp;
    }
    EXPECT_EQ(chars, 2);
    EXPECT_EQ(downs, 6);
    EXPECT_GE(ups, 6);

    VirtualTimeBase time3;
    Keyer trx(time3);
    trx.doc.UseTRX = 1;
    trx.doc.PortMatrix[kTrxRow][kCwColumn] = 1;
    trx.Key("ABCDEFGHIJKLMNOPQRST");
    EXPECT_TRUE(trx.log->What().empty());
    EXPECT_EQ(trx.sink.Notices().size(), 20u);
    EXPECT_EQ(time3.NowNs(), 0);
}

TEST(MediaTimerTest, LateWakeUpsDoNotAccumulate) {
    LateTimeBase time(3 * kNsPerMs);
    Keyer k(time, 20);
    const std::string text = "PARIS PARIS PARIS PARIS PARIS PARIS PARIS PARIS";
    k.Key(text);
    const auto ideal = IdealCwSchedule(ConvertToMorse(text), ComputeCwTiming(20, 1, 3, 3));
    const auto got = k.Edges();
    ASSERT_EQ(got.size(), ideal.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_LE(got[i].atMs - ideal[i].atMs, 3u) << i;
    }

    // Far later than half an element: the schedule moves on rather than clipping elements.
    LateTimeBase stalled(200 * kNsPerMs);
    Keyer s(stalled, 20);
    s.Key("EEEE");
    const auto e = s.Edges();
    for (size_t i = 0; i + 1 < e.size(); i += 2) {
        EXPECT_GE(e[i + 1].atMs - e[i].atMs, 30u);  // dots keep at least half their 60 ms
    }
}

TEST(MediaTimerTest, StopEndsTheRunWithTheKeyUp) {
    VirtualTimeBase time;
    Keyer k(time);
    k.stop = 1;
    k.Key("PARIS");
    EXPECT_EQ(k.log->What(), (std::vector<std::string>{"up"}));

    // A 3.6 s dash at 1 WPM, stopped once the key is down: the key goes up long before the
    // dash ends.
    Keyer slow(RealTime(), 1);
    Event stopEvent(ResetMode::Manual);
    std::thread stopper([&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (slow.log->What().empty() && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        slow.stop = 1;
        stopEvent.Set();
    });
    const auto t0 = std::chrono::steady_clock::now();
    slow.Key("T", &stopEvent);
    const auto took = std::chrono::steady_clock::now() - t0;
    stopper.join();
    EXPECT_LT(took, std::chrono::milliseconds(3000));
    EXPECT_EQ(slow.log->What(), (std::vector<std::string>{"down", "up"}));
}

}  // namespace
}  // namespace tarnwick
