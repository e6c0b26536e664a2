#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <random>
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
using test::FakeKeyingHardware;
using test::RecordingPrompter;
using test::SendOutcome;

constexpr const char* kPort = "/dev/ttyS0";

// The window's message queue, counting what the engine has delivered to it.
class CountingQueue : public NoticeQueue {
public:
    size_t Delivered() const { return delivered_.load(); }

protected:
    void Deliver(Notice notice) override {
        delivered_.fetch_add(1);
        NoticeQueue::Deliver(std::move(notice));
    }

private:
    std::atomic<size_t> delivered_{0};
};

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

    // The PTT line's changes, in order ("rts on", "rts off").
    std::vector<std::string> Ptt() const { return hardware.LineChanges(kPort, "rts"); }
    // Key-downs in the hardware log from entry `from` on.
    int KeyDowns(size_t from = 0) const {
        const std::vector<std::string> log = hardware.Log();
        int n = 0;
        for (size_t i = from; i < log.size(); ++i) {
            n += log[i] == std::string(kPort) + " dtr on";
        }
        return n;
    }

    TimeBase& time;
    CTarnwickDoc doc;
    CountingQueue view;
    RecordingPrompter prompter;
    FakeKeyingHardware hardware;
    std::unique_ptr<TransmitEngine> engine;
};

using Lines = std::vector<std::string>;

// Waits in place of a stop that never comes, so a message that never ends fails the test
// instead of hanging it.
struct Guard {
    explicit Guard(uint32_t ms) { RealTime().StartOneShot(event, ms, TimerAction::Set); }
    Event event{ResetMode::Manual};
};

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

// The window's thread never waits out the TX delay: the worker does, and a stop during it (ESC
// just after a phone message raised PTT) drops PTT at once and sends nothing of the message.
TEST(TransmitEngineTest, TheWorkerWaitsTheTxDelayAndAStopEndsIt) {
    Station s;
    s.doc.TXDelay = 10;
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(s.engine->Send("{no-such-file.wav}[I] E"));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
    EXPECT_EQ(s.Ptt(), (Lines{"rts on"}));
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(s.engine->Stop());
    EXPECT_EQ(s.Ptt(), (Lines{"rts on", "rts off"}));
    EXPECT_TRUE(s.engine->ReleaseDevices());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
    EXPECT_TRUE(s.prompter.Texts().empty()) << "the WAV insert was never reached";
    EXPECT_EQ(s.KeyDowns(), 0);
}

// Taking the parallel port from under a running message ends it; the window, which did not ask
// for that, hears of it like any other end, once.
TEST(TransmitEngineTest, ReplacingTheParallelPortEndsTheMessageWithOneEndNotice) {
    Station s;
    s.doc.LptAddress = 0x378;
    s.engine->SyncParallelPort();
    ASSERT_TRUE(s.engine->HasParallelPort());
    ASSERT_TRUE(s.engine->Send("{E}[R:60]"));
    s.doc.LptAddress = 0x278;
    s.engine->SyncParallelPort();
    EXPECT_FALSE(s.engine->IsSending());
    EXPECT_EQ(s.Ptt().back(), "rts off");
    Guard guard(10'000);
    EngineDriver window(*s.engine, s.view, RealTime());
    EXPECT_EQ(window.RunUntilDone(&guard.event), SendOutcome::Failed);
    while (const auto n = s.view.Next(RealTime(), 0)) {
        EXPECT_NE(n->message, kSendDoneNotice);
    }
}

// A repeat count whose body acts but takes no time (a character without a Morse code) stops
// repeating instead of spinning millions of times; and notices a reader has not taken yet are
// bounded, however fast they come.
TEST(TransmitEngineTest, ARepeatThatTakesNoTimeEndsAndPendingNoticesAreBounded) {
    VirtualTimeBase time;
    Station s(time);
    ASSERT_TRUE(s.engine->Send("{~}[N:3000000]"));
    EngineDriver window(*s.engine, s.view, RealTime());
    int notices = 0;
    window.observer = [&](const Notice&) { ++notices; };
    Guard guard(10'000);
    EXPECT_EQ(window.RunUntilDone(&guard.event), SendOutcome::Completed);
    EXPECT_LT(notices, 10);

    NoticeQueue queue;
    for (size_t i = 0; i < 2 * NoticeQueue::kMaxDisplayNotices; ++i) {
        queue.Post(kSendEventNotice, kEventCharacter, 'E', 1);
    }
    queue.Post(kSendDoneNotice, 0, kDoneCompleted, 1);
    size_t kept = 0;
    std::optional<Notice> last;
    while (auto n = queue.Next(RealTime(), 0)) {
        ++kept;
        last = std::move(n);
    }
    EXPECT_EQ(kept, NoticeQueue::kMaxDisplayNotices + 1);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->message, kSendDoneNotice) << "the end is never dropped";
}

// Sees the lines as the transmitter does: PTT must be up at every key-down, and handling a
// notice of an earlier message must not move PTT.
class LineWatch : public KeyingObserver {
public:
    void OnPtt(bool up) override {
        ptt = up;
        staleActs += handlingStale ? 1 : 0;
    }
    void OnKey(bool down) override { keyedWithoutPtt += down && !ptt ? 1 : 0; }
    void OnCharacter(char) override {}

    std::atomic<bool> ptt{false};
    std::atomic<bool> handlingStale{false};
    std::atomic<int> staleActs{0};
    std::atomic<int> keyedWithoutPtt{0};
};

// The window's F-key sequence (Stop, ReleaseDevices, Send) at every point of a message, with
// the first message's notices still queued: none of them acts on the second message, not a
// PTT request the stop left unanswered, not the first message's end.
TEST(TransmitEngineTest, TheFKeySequenceAtAnyPointNeverLetsOneMessageActOnTheNext) {
    int staleSeen = 0;
    int withdrawnSeen = 0;
    for (int point = 0;; ++point) {
        VirtualTimeBase time;
        Station s(time);
        s.doc.CWInd = 1;
        LineWatch watch;
        s.engine->SetKeyingObserver(&watch);
        EngineDriver window(*s.engine, s.view, RealTime());
        ASSERT_TRUE(s.engine->Send("E [P:1] E"));
        bool firstEnded = false;
        size_t handled = 0;
        for (; handled < static_cast<size_t>(point) && !firstEnded; ++handled) {
            const auto n = s.view.Next(RealTime(), 10'000);
            ASSERT_TRUE(n) << point;
            firstEnded = window.Handle(*n).has_value();
        }
        // The stop comes once the worker has delivered its next notice, however slow the
        // machine: when that is its PTT request, the stop finds it waiting for the answer.
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (!firstEnded && s.view.Delivered() <= handled &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(1ms);
        }
        s.engine->Stop();
        s.engine->ReleaseDevices();
        const size_t mark = s.hardware.Log().size();
        ASSERT_TRUE(s.engine->Send("{T}[N:3]"));
        const uint64_t second = s.engine->MessageSerial();
        std::optional<SendOutcome> outcome;
        while (!outcome) {
            const auto n = s.view.Next(RealTime(), 10'000);
            ASSERT_TRUE(n) << point;
            const bool stale = n->serial != second;
            staleSeen += stale ? 1 : 0;
            withdrawnSeen += n->Withdrawn() ? 1 : 0;
            watch.handlingStale = stale;
            outcome = window.Handle(*n);
            watch.handlingStale = false;
        }
        EXPECT_EQ(*outcome, SendOutcome::Completed) << point;
        EXPECT_EQ(s.KeyDowns(mark), 3) << point;
        EXPECT_EQ(watch.staleActs.load(), 0) << point;
        EXPECT_EQ(watch.keyedWithoutPtt.load(), 0) << point;
        EXPECT_EQ(s.Ptt().back(), "rts off") << point;
        if (firstEnded) {
            break;  // every point of the first message has been tried
        }
    }
    EXPECT_GT(staleSeen, 0);
    EXPECT_GT(withdrawnSeen, 0) << "some point caught the worker waiting for its PTT request";
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
                        if (notice->lParam != 0) {
                            s.engine->PttOn();
                        } else {
                            s.engine->PttOff();
                        }
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
