#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/SerialLines.h"
#include "send/EngineDriver.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingPrompter.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::FakeKeyingHardware;
using test::RecordingPrompter;

constexpr const char* kPort = "/dev/ttyS0";

// An engine on COM1: PTT on RTS, CW on DTR, optionally CTS as the inhibit input. The test's own
// thread plays the operating window.
struct Station {
    explicit Station(TimeBase& t = RealTime()) : time(t) {
        doc.CWRate = 50;
        doc.TXDelay = 0;
        doc.ComPort[0] = 1;
        doc.PortMatrix[0][0] = 1;  // PTT on RTS
        doc.PortMatrix[0][1] = 2;  // CW on DTR
        engine = std::make_unique<TransmitEngine>(doc, view, prompter, time, hardware);
    }

    SendOutcome Send(const std::string& message, Event* stop = nullptr) {
        EXPECT_TRUE(engine->Send(message));
        EngineDriver driver(*engine, view, RealTime());
        return driver.RunUntilDone(stop);
    }

    // The PTT line's changes, in order ("rts on", "rts off"); setting a line to the state it
    // has already is no change.
    std::vector<std::string> Ptt() const {
        std::vector<std::string> out;
        bool on = false;
        for (const auto& e : hardware.Log()) {
            const bool set = e == std::string(kPort) + " rts on";
            const bool clear = e == std::string(kPort) + " rts off";
            if ((set && !on) || (clear && on)) {
                on = set;
                out.push_back(set ? "rts on" : "rts off");
            }
        }
        return out;
    }
    int KeyDowns() const {
        int n = 0;
        for (const auto& e : hardware.Log()) {
            n += e == std::string(kPort) + " dtr on";
        }
        return n;
    }

    TimeBase& time;
    CTarnwickDoc doc;
    NoticeQueue view;
    RecordingPrompter prompter;
    FakeKeyingHardware hardware;
    std::unique_ptr<TransmitEngine> engine;
};

using Lines = std::vector<std::string>;

TEST(TransmitEngineTest, APlainMessageIsKeyedBetweenPttUpAndDown) {
    Station s;
    EXPECT_EQ(s.Send("E E"), SendOutcome::Completed);
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));
    EXPECT_EQ(s.KeyDowns(), 2);
    EXPECT_EQ(s.hardware.Log().back(), std::string(kPort) + " close");
    EXPECT_TRUE(s.prompter.Texts().empty());
}

TEST(TransmitEngineTest, PausesDropPttAndRaiseItAgainForWhatFollows) {
    VirtualTimeBase time;
    Station s(time);
    s.doc.TXDelay = 0.2;
    EXPECT_EQ(s.Send("CQ [P:5] CQ"), SendOutcome::Completed);
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off", "rts on", "rts off"}));
    EXPECT_GE(time.NowNs(), 5'400 * kNsPerMs);  // the pause and two TX delays

    Station ends(time);
    EXPECT_EQ(ends.Send("E [P:10]"), SendOutcome::Completed);
    EXPECT_EQ(ends.Ptt(), (Lines{"rts on", "rts off"}));  // nothing follows the pause
}

TEST(TransmitEngineTest, StopEndsALongPauseAtOnceWithPttDown) {
    Station s;
    Event stop(ResetMode::Manual);
    // The stop comes once the first E has been sent and PTT dropped for the pause.
    std::thread stopper([&] {
        const auto giveUp = std::chrono::steady_clock::now() + 20s;
        while (s.Ptt().size() < 2 && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(1ms);
        }
        stop.Set();
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(s.Send("E [P:60] E", &stop), SendOutcome::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 20s);
    stopper.join();
    EXPECT_EQ(s.Ptt().back(), "rts off");
    EXPECT_EQ(s.KeyDowns(), 1);
    EXPECT_FALSE(s.engine->IsSending());
}

TEST(TransmitEngineTest, FailuresShowTheirMessageAndEndWithReasonOne) {
    Station s;
    EXPECT_EQ(s.Send("E {A} [N:2]"), SendOutcome::Failed);
    EXPECT_EQ(s.prompter.Texts(), (Lines{"Error in message string."}));
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));

    Station w;
    EXPECT_EQ(w.Send("{no-such-file.wav}[I] E"), SendOutcome::Failed);
    ASSERT_EQ(w.prompter.Texts().size(), 1u);
    EXPECT_EQ(w.prompter.Texts()[0], "Cannot locate file: no-such-file.wav");
    EXPECT_EQ(w.KeyDowns(), 0);
    EXPECT_EQ(w.Ptt().back(), "rts off");
}

TEST(TransmitEngineTest, TransmitInhibitStopsTheMessage) {
    Station s;
    s.doc.PortMatrix[0][2] = 4;  // inhibit on CTS
    s.hardware.SerialInputs(kPort).status = kModemCtsOn;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(s.Send("{E}[R:60]"), SendOutcome::Inhibited);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 20s);
    EXPECT_EQ(s.Ptt().back(), "rts off");
}

TEST(TransmitEngineTest, OneMessageAtATimeAndClosingDuringAMessageDropsPtt) {
    Station s;
    ASSERT_TRUE(s.engine->Send("{E}[R:60]"));
    EXPECT_FALSE(s.engine->Send("T"));
    EXPECT_TRUE(s.engine->IsSending());
    // The window closes mid-message without stopping anything first.
    s.engine.reset();
    EXPECT_EQ(s.Ptt().front(), "rts on");
    EXPECT_EQ(s.Ptt().back(), "rts off");
    EXPECT_EQ(s.hardware.Log().back(), std::string(kPort) + " close");
}

// Stop against a worker that is waiting for the window to answer its PTT request, thousands of
// times with random timing: never a deadlock, PTT down after every one.
TEST(TransmitEngineTest, StopNeverDeadlocksAgainstAPttRequest) {
    Station s;
    std::mt19937 random(7);
    for (int i = 0; i < 10'000; ++i) {
        s.hardware.LogRecord().Clear();
        ASSERT_TRUE(s.engine->Send(i % 2 ? "[P:0]E" : "E[P:0]E"));
        const int choice = static_cast<int>(random() % 4);
        if (choice == 1) {
            std::this_thread::yield();
        } else if (choice >= 2) {
            // Answer some of the worker's requests first, as a busy window would.
            for (int n = 0; n < choice; ++n) {
                if (auto notice = s.view.Next(RealTime(), 1)) {
                    if (notice->message == kSendEventNotice && notice->wParam == kEventPttRequest) {
                        notice->lParam ? s.engine->PttOn() : s.engine->PttOff();
                    }
                    notice->Acknowledge();
                }
            }
        }
        s.engine->Stop();
        s.engine->ReleaseDevices();
        const Lines ptt = s.Ptt();
        ASSERT_FALSE(ptt.empty()) << i;
        ASSERT_EQ(ptt.back(), "rts off") << i;
        ASSERT_FALSE(s.engine->IsSending()) << i;
        while (s.view.Next(RealTime(), 0)) {
        }
    }
}

}  // namespace
}  // namespace tarnwick
