#include "keyer/KeyerSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "SequencerRig.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "send/ManualSender.h"
#include "send/NoticeQueue.h"
#include "support/FakeKeyingHardware.h"

namespace tarnwick {
namespace {

using test::DecemberSixth;
using Lines = std::vector<std::string>;

constexpr const char* kPort = "/dev/ttyS0";

const char* NameOf(EndReason r) {
    switch (r) {
        case EndReason::Completed:
            return "completed";
        case EndReason::Failed:
            return "failed";
        case EndReason::Inhibited:
            return "inhibited";
        case EndReason::Stopped:
            return "stopped";
        case EndReason::Refused:
            return "refused";
    }
    return "?";
}

// A front end on virtual clocks: COM1 with PTT on RTS and CW on DTR behind fake lines, the
// session's notices in a queue that the test's thread (the session's) hands back, and every
// event noted with the UTC time of day it came at.
struct SessionRig : SessionListener {
    explicit SessionRig(int64_t startSeconds = DecemberSixth(12, 0, 0))
        : clock(startSeconds * kNsPerSecond + kNsPerSecond / 2) {
        doc.OnNewDocument();
        doc.CWRate = 50;
        doc.TXDelay = 0;
        doc.CWInd = 0;
        doc.ComPort = {1, 0, 0};
        doc.PortMatrix[0][0] = 1;  // PTT on RTS
        doc.PortMatrix[0][1] = 2;  // CW on DTR
        session = std::make_unique<KeyerSession>(
            KeyerSessionSetup{doc, queue, *this, time, clock, hardware, false});
    }

    PromptAnswer ShowBox(const std::string& text, PromptButtons buttons, Event*) override {
        events.push_back("box " + text);
        boxThreads.push_back(std::this_thread::get_id());
        if (onBox) {
            onBox();
        }
        return NegativeAnswer(buttons);
    }
    void OnKeyChanged(bool down) override { events.push_back(down ? "key down" : "key up"); }
    void OnCharacterSent(char c) override { events.push_back(std::string("char ") + c); }
    void OnPttChanged(PttState s) override {
        events.push_back(Now() + (s == PttState::Up     ? " ptt up"
                                  : s == PttState::Down ? " ptt down"
                                                        : " ptt unconfirmed"));
    }
    void OnTransmissionEnded(EndReason r) override {
        events.push_back(Now() + " " + NameOf(r));
        ended = true;
    }
    void OnManualSent() override { events.push_back("manual sent"); }
    void OnManualSendingEnded() override { events.push_back("manual ended"); }
    void OnTxWatchdogStopped(const std::string& message) override {
        events.push_back("watchdog " + message);
    }
    void OnSequenceBoundary(const SequenceBoundary& b) override {
        events.push_back(UtcTimeOfDayText(b.startSeconds) +
                         (b.transmitSequence ? " transmit" : " receive"));
    }

    std::string Now() const { return UtcTimeOfDayText(clock.NowSeconds()); }
    // As the window's timer does: the tick when the session says it is due.
    void Tick() {
        clock.AdvanceNs(int64_t{session->MsUntilNextTick()} * kNsPerMs);
        session->ClockTick();
    }
    // Hands notices over, as the window's event loop does, until a transmission has ended.
    void PumpUntilEnded() {
        ended = false;
        while (!ended) {
            const std::optional<Notice> n = queue.Next(RealTime(), 10'000);
            ASSERT_TRUE(n) << "no end within ten seconds";
            session->HandleNotice(*n);
        }
    }
    // The PTT line's changes on the fake port.
    Lines Ptt() const { return hardware.LineChanges(kPort, "rts"); }

    CTarnwickDoc doc;
    VirtualTimeBase time;
    VirtualUtcClock clock;
    test::FakeKeyingHardware hardware;
    NoticeQueue queue;
    Lines events;
    std::vector<std::thread::id> boxThreads;
    std::function<void()> onBox;
    bool ended = false;
    std::unique_ptr<KeyerSession> session;
};

// Four minutes of 60 s sequences: PTT rises at the transmit boundaries only, the first or the
// second of each pair as TX First says, and drops when each message is over.
TEST(KeyerSessionTest, AnEmeSequenceKeysOnlyItsTransmitSequences) {
    for (const bool txFirst : {true, false}) {
        SessionRig rig(DecemberSixth(11, 59, 30));
        rig.session->Start();
        rig.session->SetBufferText(1, "E");
        rig.session->SetDurationText("60");
        rig.session->ChangeSetting("TXFirst", txFirst ? "1" : "0");
        rig.session->ToggleAuto();
        while (rig.clock.NowSeconds() < DecemberSixth(12, 3, 0)) {
            rig.Tick();
            if (rig.session->Transmitting()) {
                rig.PumpUntilEnded();
            }
        }
        const auto sent = [](const std::string& at) {
            return Lines{at + " transmit", at + " ptt up", "char E", at + " ptt down",
                         at + " completed"};
        };
        Lines expected;
        int sequence = 0;
        for (const std::string at : {"12:00:00", "12:01:00", "12:02:00", "12:03:00"}) {
            const bool first = sequence++ % 2 == 0;
            const Lines lines = first == txFirst ? sent(at) : Lines{at + " receive"};
            expected.insert(expected.end(), lines.begin(), lines.end());
        }
        EXPECT_EQ(rig.events, expected) << txFirst;
        EXPECT_EQ(rig.Ptt(), (Lines{"rts on", "rts off", "rts on", "rts off"})) << txFirst;
    }
}

// The engine's notices become events (with the CW indicator following the key); a notice of an
// earlier message is answered and changes nothing; ESC and closing the program drop PTT.
TEST(KeyerSessionTest, NoticesBecomeEventsAndEveryStopDropsPtt) {
    SessionRig rig;
    rig.session->ChangeSetting("CWInd", "1");
    rig.session->SetBufferText(1, "E");
    rig.session->PressFunctionKey(1);
    rig.PumpUntilEnded();
    EXPECT_EQ(rig.events, (Lines{"12:00:00 ptt up", "char E", "key down", "key up",
                                 "12:00:00 ptt down", "12:00:00 completed"}));
    EXPECT_EQ(rig.session->State().sentText, "E");

    rig.events.clear();
    rig.session->SetBufferText(2, "{PARIS }[R:600]");
    rig.session->PressFunctionKey(2);
    Notice stale{kSendEventNotice, kEventPttRequest, 0, std::make_shared<NoticeReply>(), 1};
    const auto sender = stale.reply->Sender();
    rig.session->HandleNotice(stale);
    EXPECT_TRUE(sender->handled.IsSignalled(0)) << "answered, so its sender never hangs";
    EXPECT_EQ(rig.session->Ptt(), PttState::Up);
    EXPECT_EQ(rig.Ptt().back(), "rts on");
    rig.session->StopTransmission();
    EXPECT_EQ(rig.events, (Lines{"12:00:00 ptt up", "12:00:00 ptt down", "12:00:00 stopped"}));
    EXPECT_EQ(rig.Ptt().back(), "rts off");
    EXPECT_FALSE(rig.session->Transmitting());

    rig.session->PressFunctionKey(2);
    EXPECT_EQ(rig.Ptt().back(), "rts on");
    rig.session.reset();
    EXPECT_EQ(rig.Ptt().back(), "rts off");
}

// A box a worker asks for is shown on the session's thread. A failed message ends the
// transmission and Auto; a stop asked for while a box is open is carried out once it closes,
// and other intents made meanwhile are dropped.
TEST(KeyerSessionTest, AWorkersBoxIsShownOnTheSessionsThreadAndAStopMadeMeanwhileFollowsIt) {
    SessionRig rig;
    rig.doc.Contest = 0;
    rig.session->SetBufferText(1, "E {A} [N:2]");
    rig.session->SetBufferText(3, "T");
    rig.session->ToggleAuto();
    rig.session->PressTx(1);  // disabled while Auto is on
    EXPECT_FALSE(rig.session->Transmitting());
    rig.session->ToggleAuto();
    rig.session->PressTx(1);
    rig.PumpUntilEnded();
    EXPECT_EQ(rig.events,
              (Lines{"12:00:00 ptt up", "char E", "char  ", "box Error in message string.",
                     "12:00:00 ptt down", "12:00:00 failed"}));
    ASSERT_EQ(rig.boxThreads.size(), 1u);
    EXPECT_EQ(rig.boxThreads[0], std::this_thread::get_id());

    rig.events.clear();
    rig.onBox = [&] {
        rig.session->PressFunctionKey(3);
        rig.session->StopTransmission();
    };
    rig.session->PressTx(1);
    rig.PumpUntilEnded();
    EXPECT_EQ(rig.events,
              (Lines{"12:00:00 ptt up", "char E", "char  ", "box Error in message string.",
                     "12:00:00 ptt down", "12:00:00 stopped"}));
    EXPECT_EQ(rig.Ptt(), (Lines{"rts on", "rts off", "rts on", "rts off"})) << "F3 never sent";
    EXPECT_FALSE(rig.session->State().autoOn);
}

// The call box's text reaches the buffers; the group's number goes to the duration box in the
// Sequenced period and to the pause box in the Contest period.
TEST(KeyerSessionTest, StandardMessagesFollowTheModePeriodAndCallBox) {
    SessionRig rig;
    rig.doc.MyCall = "M";
    rig.doc.Contest = 1;
    rig.session->CallTextChanged("T");
    rig.session->Start();
    EXPECT_EQ(rig.session->State().buffers[0], "{T DE M}[R:120]");
    EXPECT_EQ(rig.session->State().durationText, "120");
    rig.session->SelectContestPeriod();
    EXPECT_EQ(rig.session->State().buffers[0], "CQ TEST CQ TEST DE M M M K [P:10]");
    EXPECT_EQ(rig.session->State().pauseText, "15");
    EXPECT_EQ(rig.session->State().durationText, "120");
    rig.session->ChangeSetting("Mode", "1");
    EXPECT_EQ(rig.session->State().buffers[0], "{ContestVoiceCQ.wav}[I]");
    EXPECT_FALSE(rig.session->State().cwControlsEnabled);
}

// Settings go through the schema with the windows' messages, and a change takes effect at once.
TEST(KeyerSessionTest, SettingChangesAreCheckedAndTakeEffect) {
    SessionRig rig;
    const SettingChange refused = rig.session->ChangeSetting("CWRate", "75");
    EXPECT_EQ(refused.result, SettingChange::Result::Refused);
    EXPECT_EQ(refused.message, "Tarnwick does not support greater than 50 WPM CW");
    EXPECT_EQ(rig.doc.CWRate, 50u);

    rig.session->ChangeSetting("txfirst", "0");
    EXPECT_FALSE(rig.session->State().txFirst);
    rig.session->ChangeSetting("LptPort1", "378");
    const Lines log = rig.hardware.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "open parallel 0x378"), log.end());
}

// Live CW goes through the session: its notices come back as events, a message cannot start
// meanwhile, and ESC ends it with PTT down and the window told.
TEST(KeyerSessionTest, ManualSendingKeysThroughTheSessionAndEscEndsIt) {
    SessionRig rig;
    rig.session->Start();
    ManualSender* sender = rig.session->OpenManualSending();
    ASSERT_NE(sender, nullptr);
    EXPECT_EQ(rig.session->OpenManualSending(), nullptr) << "one sender at a time";
    sender->TextChanged("EE ");
    const auto pumpUntil = [&](const std::string& event) {
        while (std::find(rig.events.begin(), rig.events.end(), event) == rig.events.end()) {
            const std::optional<Notice> n = rig.queue.Next(RealTime(), 10'000);
            ASSERT_TRUE(n) << "no " << event << " within ten seconds";
            rig.session->HandleNotice(*n);
        }
    };
    pumpUntil("manual sent");
    EXPECT_EQ(sender->RemoveSent("EE T"), "T");
    rig.session->PressFunctionKey(1);
    EXPECT_FALSE(rig.session->Transmitting()) << "no message while live CW is open";

    rig.session->StopTransmission();
    pumpUntil("manual ended");
    rig.session->CloseManualSending();
    EXPECT_EQ(rig.session->ManualSending(), nullptr);
    EXPECT_EQ(rig.Ptt(), (Lines{"rts on", "rts off"}));
}

// The TX watchdog: with Auto on and nobody touching the keyer for its limit, the tick stops the
// message under way (PTT down first) and switches Auto off with a status message; any intent
// starts the count again, and a limit of 0 never fires.
TEST(KeyerSessionTest, TheTxWatchdogEndsAutoWhenTheOperatorIsAway) {
    SessionRig rig;
    rig.doc.Contest = 0;
    rig.doc.TxWatchdog = 0;
    rig.session->Start();
    // The pause's PTT drop waits for the window, which this test does not answer: the message
    // stays under way, and only the test moves the monotonic clock.
    rig.session->SetBufferText(1, "E [P:1] E");
    rig.session->ToggleAuto();
    rig.Tick();
    ASSERT_TRUE(rig.session->Transmitting());
    const auto away = [&](int64_t seconds) {
        rig.time.AdvanceNs(seconds * kNsPerSecond);
        rig.Tick();
    };
    away(3 * 60);
    EXPECT_TRUE(rig.session->State().autoOn) << "a limit of 0 never fires";
    rig.session->ChangeSetting("TxWatchdog", "2");
    away(100);
    rig.session->SetPauseText("10");
    away(100);
    EXPECT_TRUE(rig.session->State().autoOn) << "the pause box was touched 100 s ago";
    rig.events.clear();
    away(20);
    EXPECT_FALSE(rig.session->State().autoOn);
    EXPECT_FALSE(rig.session->Transmitting());
    EXPECT_EQ(rig.events, (Lines{"12:00:05 ptt down", "12:00:05 stopped",
                                 "watchdog TX watchdog: Auto switched off at 12:00:05 UTC after 2 "
                                 "minutes without the operator"}));
    EXPECT_EQ(rig.Ptt(), (Lines{"rts on", "rts off"}));
}

}  // namespace
}  // namespace tarnwick
