#include "send/ManualSender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/KeyingObserver.h"
#include "ports/SerialLines.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/EngineDriver.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingPrompter.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::EngineDriver;
using test::SendOutcome;
using Lines = std::vector<std::string>;

constexpr const char* kPort = "/dev/ttyS0";

// Sees the lines as the transmitter does, with the time of every change; the typing runs on
// the sender thread as each character starts, where the test plays an operator typing on.
class Watch : public KeyingObserver {
public:
    explicit Watch(TimeBase& time) : time_(time) {}

    void OnPtt(bool up) override {
        std::lock_guard lock(mutex_);
        ptt_ = up;
        if (up) {
            pttUpNs_ = time_.NowNs();
        }
    }
    void OnKey(bool down) override {
        std::lock_guard lock(mutex_);
        keyedWithoutPtt_ += down && !ptt_ ? 1 : 0;
        if (down != keyDown_) {
            keyDown_ = down;
            edges_.push_back({time_.NowNs(), down});
        }
        if (down) {
            firstKeyDown.Set();
        }
    }
    void OnCharacter(char c) override {
        std::function<void(char)> typing;
        {
            std::lock_guard lock(mutex_);
            chars_ += c;
            typing = onCharacter_;
        }
        if (typing) {
            typing(c);
        }
    }

    void SetTyping(std::function<void(char)> typing) {
        std::lock_guard lock(mutex_);
        onCharacter_ = std::move(typing);
    }
    Event firstKeyDown{ResetMode::Manual};

    std::string Characters() {
        std::lock_guard lock(mutex_);
        return chars_;
    }
    int KeyedWithoutPtt() {
        std::lock_guard lock(mutex_);
        return keyedWithoutPtt_;
    }
    // Key edges in ms after the first key-down; the TX delay before it.
    std::vector<CwEdge> Edges(int64_t* txDelayNs) {
        std::lock_guard lock(mutex_);
        std::vector<CwEdge> out;
        for (const auto& [ns, down] : edges_) {
            out.push_back({static_cast<uint64_t>((ns - edges_.front().first) / kNsPerMs), down});
        }
        *txDelayNs = edges_.empty() ? 0 : edges_.front().first - pttUpNs_;
        return out;
    }

private:
    TimeBase& time_;
    std::mutex mutex_;
    bool ptt_ = false;
    bool keyDown_ = false;
    int64_t pttUpNs_ = 0;
    int keyedWithoutPtt_ = 0;
    std::string chars_;
    std::vector<std::pair<int64_t, bool>> edges_;
    std::function<void(char)> onCharacter_;
};

// An engine on COM1 (PTT on RTS, CW on DTR) with manual sending open; the test's thread is the
// window, with its text field.
struct Station {
    explicit Station(TimeBase& t = RealTime(), bool manualMode = false, bool inhibit = false)
        : time(t), watch(t) {
        doc.CWRate = 20;
        doc.TXDelay = 0;
        doc.ComPort[0] = 1;
        doc.PortMatrix[0][0] = 1;
        doc.PortMatrix[0][1] = 2;
        doc.PortMatrix[0][2] = inhibit ? 4 : 0;
        doc.ManualSend = manualMode ? 1 : 0;
        engine = std::make_unique<TransmitEngine>(doc, view, prompter, time, hardware);
        engine->SetKeyingObserver(&watch);
    }

    void Open() {
        sender = engine->OpenManualSendWindow(window);
        ASSERT_TRUE(sender);
    }
    // The operator types `text` at the end of the field (from any thread, as the test needs).
    void Type(const std::string& text) {
        std::lock_guard lock(fieldMutex);
        field += text;
        sender->TextChanged(field);
    }
    void SetField(const std::string& text) {
        std::lock_guard lock(fieldMutex);
        field = text;
        sender->TextChanged(field);
    }
    // "Send It": the field shows what the sender gives back.
    void SendIt() {
        std::lock_guard lock(fieldMutex);
        field = sender->SendIt(field);
    }
    std::string Field() {
        std::lock_guard lock(fieldMutex);
        return field;
    }
    // Handles the sender's notices as the window does until it goes idle; the idle notice is
    // left to the caller when `handleIdle` is false.
    void RunUntilIdle(bool handleIdle = true) {
        for (;;) {
            const std::optional<Notice> n = window.Next(RealTime(), 20'000);
            ASSERT_TRUE(n) << "the sender never went idle";
            if (n->message == kManualSendSent) {
                std::lock_guard lock(fieldMutex);
                field = sender->RemoveSent(field);
            } else if (n->message == kManualSendIdle) {
                if (handleIdle) {
                    sender->OnIdle();
                }
                return;
            }
        }
    }

    // The changes of one line of the port, in order; setting a line to the state it already
    // has is no change.
    Lines Changes(const std::string& line) const {
        Lines out;
        bool on = false;
        for (const auto& e : hardware.Log()) {
            const bool set = e == std::string(kPort) + " " + line + " on";
            const bool clear = e == std::string(kPort) + " " + line + " off";
            if ((set && !on) || (clear && on)) {
                on = set;
                out.push_back(line + (set ? " on" : " off"));
            }
        }
        return out;
    }
    Lines Ptt() const { return Changes("rts"); }
    long KeyDowns() const {
        const Lines dtr = Changes("dtr");
        return std::count(dtr.begin(), dtr.end(), "dtr on");
    }

    TimeBase& time;
    CTarnwickDoc doc;
    NoticeQueue view;
    NoticeQueue window;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    Watch watch;
    std::unique_ptr<TransmitEngine> engine;
    std::unique_ptr<ManualSender> sender;
    std::mutex fieldMutex;
    std::string field;
};

// Typed on while the sender keys: more of a word after Q, the rest of it after E. Each piece is
// sent straight after the one before, and the pieces sound as one text typed at once would.
TEST(ManualSenderTest, AutomaticModeSendsFinishedWordsAsTypedWithPttUpOnce) {
    VirtualTimeBase time;
    Station s(time);
    s.doc.TXDelay = 0.2;
    s.Open();
    for (const char* text : {" ", "", ".", "", "C", "CQ"}) {
        s.SetField(text);
    }
    EXPECT_TRUE(s.Ptt().empty()) << "no finished word yet";

    s.watch.SetTyping([&](char c) {
        if (c == 'Q') {
            s.Type("TE");
        } else if (c == 'E') {
            s.Type("ST ");
        }
    });
    s.Type(" ");
    EXPECT_EQ(s.Ptt(), (Lines{"rts on"}));
    s.RunUntilIdle(false);
    EXPECT_EQ(s.Field(), "");

    // A word typed before the window got to the idle notice: that notice must not drop PTT
    // under it. The sender is held at K until the stale notice has been handled.
    Event held(ResetMode::Manual);
    s.watch.SetTyping([&](char c) {
        if (c == 'K') {
            RealTime().WaitFor(held, 20'000);
        }
    });
    s.Type("K ");
    s.sender->OnIdle();
    EXPECT_EQ(s.Ptt(), (Lines{"rts on"}));
    held.Set();
    s.RunUntilIdle();
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));
    EXPECT_EQ(s.Field(), "");
    EXPECT_EQ(s.watch.Characters(), "CQ TEST K ");
    EXPECT_EQ(s.watch.KeyedWithoutPtt(), 0);

    int64_t txDelayNs = 0;
    std::vector<CwEdge> edges = s.watch.Edges(&txDelayNs);
    EXPECT_GE(txDelayNs, 200 * kNsPerMs);
    const std::vector<CwEdge> ideal =
        IdealCwSchedule(ConvertToMorse("CQ TEST "), ComputeCwTiming(20, 1.0, 3.0, 3.0));
    ASSERT_GT(edges.size(), ideal.size());
    edges.resize(ideal.size());
    for (size_t i = 0; i < ideal.size(); ++i) {
        EXPECT_EQ(edges[i].atMs, ideal[i].atMs) << i;
        EXPECT_EQ(edges[i].down, ideal[i].down) << i;
    }
}

TEST(ManualSenderTest, ManualModeSendsOnlyOnSendIt) {
    VirtualTimeBase time;
    Station s(time, true);
    s.Open();
    ASSERT_TRUE(s.sender->ManualMode());
    s.Type("TEST");
    s.Type(" ");
    EXPECT_EQ(s.sender->SendIt(""), "");
    EXPECT_TRUE(s.Ptt().empty());

    s.SetField("TEST");
    s.SendIt();
    EXPECT_EQ(s.Field(), "TEST ");
    EXPECT_EQ(s.Ptt(), (Lines{"rts on"}));
    s.RunUntilIdle();
    EXPECT_EQ(s.Field(), "");
    EXPECT_EQ(s.watch.Characters(), "TEST ");
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));
}

// A dash of a minute: closing during it must not wait for its end.
TEST(ManualSenderTest, ClosingWhileKeyingStopsWithinTheElementWithPttDown) {
    Station s;
    s.doc.CWRate = 1;
    s.doc.DashWgt = 50;
    s.Open();
    const auto t0 = std::chrono::steady_clock::now();
    s.Type("TT ");
    ASSERT_TRUE(RealTime().WaitFor(s.watch.firstKeyDown, 20'000));
    EXPECT_TRUE(s.sender->Close());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 20s);
    EXPECT_FALSE(s.sender->IsOpen());
    EXPECT_EQ(s.Changes("dtr"), (Lines{"dtr on", "dtr off"}));
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));

    // Closed, the engine sends messages again.
    s.doc.CWRate = 50;
    ASSERT_TRUE(s.engine->Send("E"));
    EngineDriver driver(*s.engine, s.view, RealTime());
    Event never(ResetMode::Manual);
    RealTime().StartOneShot(never, 20'000, TimerAction::Set);
    EXPECT_EQ(driver.RunUntilDone(&never), SendOutcome::Completed);
    EXPECT_EQ(s.KeyDowns(), 2);
}

// The inhibit ends manual sending as it ends a message: the window's end handling stops the
// engine and releases the devices, which ends the sender first and tells its window.
TEST(ManualSenderTest, ATransmitInhibitWhileOpenEndsSendingAndTellsTheWindow) {
    Station s(RealTime(), false, true);
    s.doc.CWRate = 1;
    s.doc.DashWgt = 50;
    s.hardware.SerialInputs(kPort).status = kModemCtsOn;
    s.Open();
    s.Type("TT ");
    EngineDriver driver(*s.engine, s.view, RealTime());
    Event never(ResetMode::Manual);
    RealTime().StartOneShot(never, 20'000, TimerAction::Set);
    EXPECT_EQ(driver.RunUntilDone(&never), SendOutcome::Inhibited);
    EXPECT_FALSE(s.engine->IsManualSendOpen());
    EXPECT_FALSE(s.sender->IsOpen());
    bool told = false;
    while (const auto n = s.window.Next(RealTime(), 0)) {
        told = told || n->message == kManualSendEnded;
    }
    EXPECT_TRUE(told);
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));
    const Lines key = s.Changes("dtr");
    EXPECT_TRUE(key.empty() || key.back() == "dtr off");
    EXPECT_EQ(s.hardware.Log().back(), std::string(kPort) + " close");

    // Ended, it no longer touches the devices; the engine may go before it.
    s.Type("E ");
    s.engine.reset();
    s.sender.reset();
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));
}

TEST(ManualSenderTest, OpeningIsRefusedWhileAMessageIsSentAndSendingWhileOpen) {
    Station s;
    ASSERT_TRUE(s.engine->Send("{E}[R:60]"));
    EXPECT_FALSE(s.engine->OpenManualSendWindow(s.window));
    s.engine->Stop();
    s.engine->ReleaseDevices();

    // Finished, but its end not yet handled by the window: the devices are still the message's.
    ASSERT_TRUE(s.engine->Send("E"));
    while (s.engine->IsSending()) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_FALSE(s.engine->OpenManualSendWindow(s.window));
    s.engine->ReleaseDevices();

    s.Open();
    EXPECT_FALSE(s.engine->OpenManualSendWindow(s.window));
    EXPECT_FALSE(s.engine->Send("E"));
    s.sender->Close();
    EXPECT_TRUE(s.engine->Send("E"));
    s.engine->Stop();
    s.engine->ReleaseDevices();

    // CW handed to the rig-control program as text would take nothing typed here.
    s.doc.UseTRX = 1;
    s.doc.PortMatrix[kTrxRow][kCwColumn] = 1;
    EXPECT_FALSE(s.engine->OpenManualSendWindow(s.window));
}

}  // namespace
}  // namespace tarnwick
