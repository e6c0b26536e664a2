#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/EngineDriver.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingPrompter.h"
#include "support/RigDaemon.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::EngineDriver;
using test::SendOutcome;

// The engine with PTT and CW both going to a real rig-control daemon on loopback; the test's
// thread plays the operating window.
struct RigStation {
    RigStation() {
        doc.UseTRX = 1;
        doc.TrxHost = "127.0.0.1";
        doc.TrxPort = daemon.Port();
        doc.PortMatrix[kTrxRow][0] = 1;
        doc.PortMatrix[kTrxRow][kCwColumn] = 1;
        doc.CWRate = 50;
        doc.TXDelay = 0;
        engine = std::make_unique<TransmitEngine>(doc, view, prompter, RealTime(), hardware);
    }

    SendOutcome Send(const std::string& message, Event* stop = nullptr) {
        EXPECT_TRUE(engine->Send(message));
        EngineDriver driver(*engine, view, RealTime());
        return driver.RunUntilDone(stop);
    }

    // The radio's PTT as the daemon reports it.
    bool PttDown() const {
        const std::string reply = daemon.Ask("t");
        return reply.find("PTT: 0") != std::string::npos ||
               reply.find("\n0\n") != std::string::npos;
    }

    // Until the daemon has received Morse, or 20 s passed.
    void WaitForMorse() const {
        const auto giveUp = std::chrono::steady_clock::now() + 20s;
        while (Morse().empty() && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(5ms);
        }
    }

    std::vector<std::string> Morse() const {
        std::vector<std::string> texts;
        for (const auto& c : daemon.Received()) {
            if (c.command == "b" && !c.args.empty()) {
                // The daemon logs the piece with the blank it puts in front.
                const std::string& piece = c.args[0];
                texts.push_back(piece.substr(piece.find_first_not_of(' ')));
            }
        }
        return texts;
    }

    test::RigDaemon daemon;
    CTarnwickDoc doc;
    NoticeQueue view;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    std::unique_ptr<TransmitEngine> engine;
};

TEST(TransmitEngineTrxTest, EachTextRunGoesToTheRigAndItsReportReleasesTheEngine) {
    RigStation s;
    ASSERT_TRUE(s.daemon.Running());
    ASSERT_TRUE(s.engine->HasTrxLink());
    EXPECT_EQ(s.Send("CQ [P:0] TEST"), SendOutcome::Completed);
    EXPECT_EQ(s.Morse(), (std::vector<std::string>{"CQ", "TEST"}));
    EXPECT_TRUE(s.prompter.Texts().empty());
    EXPECT_TRUE(s.PttDown()) << s.daemon.Ask("t");
}

TEST(TransmitEngineTrxTest, AStopEndsTheWaitForTheRigsReport) {
    RigStation s;
    s.doc.CWRate = 5;  // about 40 s of Morse
    Event stop(ResetMode::Manual);
    // The stop comes once the rig has the Morse: the engine is then waiting for its report.
    std::thread stopper([&] {
        s.WaitForMorse();
        stop.Set();
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(s.Send("PARIS PARIS PARIS PARIS PARIS", &stop), SendOutcome::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 20s);
    stopper.join();
    EXPECT_TRUE(s.PttDown()) << s.daemon.Ask("t");
}

TEST(TransmitEngineTrxTest, ADaemonKilledMidMessageFailsItWithAMessage) {
    RigStation s;
    std::thread killer([&] {
        s.WaitForMorse();
        s.daemon.Kill();
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(s.Send("{PARIS PARIS}[R:60]"), SendOutcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 50s);
    killer.join();
    ASSERT_FALSE(s.prompter.Texts().empty());
    EXPECT_NE(s.prompter.Texts().front().find("An error occured:"), std::string::npos);
}

// Handles the window's notices until the first text run has been handed to the rig.
void HandUntilHandedOver(RigStation& s, EngineDriver& window) {
    for (bool pushed = false; !pushed;) {
        const auto n = s.view.Next(RealTime(), 10'000);
        ASSERT_TRUE(n);
        pushed = n->message == kSendEventNotice && n->wParam == kEventTrxText;
        ASSERT_FALSE(window.Handle(*n));
    }
}

// The report of a stopped message's Morse must not end the next message's wait for its own
// report: PTT would drop while the radio still sends. Here the window is slow to hand the second
// text over, so the first one's report, if it were left, would come first.
TEST(TransmitEngineTrxTest, TheReportOfAStoppedMessageDoesNotEndTheNextOne) {
    RigStation s;
    s.doc.CWRate = 10;
    EngineDriver window(*s.engine, s.view, RealTime());
    ASSERT_TRUE(s.engine->Send("E"));
    HandUntilHandedOver(s, window);
    s.engine->Stop();
    s.engine->ReleaseDevices();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(s.engine->Send("TEST"));
    std::this_thread::sleep_for(1s);  // "E" has left the radio meanwhile
    EXPECT_EQ(window.RunUntilDone(nullptr), SendOutcome::Completed);
    // "TEST" alone lasts over 2 s at 10 WPM, counted from its hand-over after the pause.
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 3s);
    EXPECT_TRUE(s.PttDown()) << s.daemon.Ask("t");
}

// A daemon that took PTT up and then stops answering can neither confirm the drop nor hold the
// window: the stop returns at once, the drop counts as not confirmed, and the time-out box comes
// later, through the link's notice.
TEST(TransmitEngineTrxTest, AFrozenDaemonHoldsNoWindowCallAndItsSilenceIsReported) {
    RigStation s;
    s.doc.CWRate = 5;
    EngineDriver window(*s.engine, s.view, RealTime());
    ASSERT_TRUE(s.engine->Send("PARIS PARIS"));
    HandUntilHandedOver(s, window);
    ASSERT_TRUE(s.engine->WaitForTrxLink(nullptr));
    s.daemon.Stop();
    Event stop(ResetMode::Manual);
    stop.Set();
    const auto t0 = std::chrono::steady_clock::now();
    s.engine->PushCallsign("TEST");
    EXPECT_EQ(window.RunUntilDone(&stop), SendOutcome::Stopped);
    // Each of the PTT drop, its retry and the Morse stop used to wait 1.5 s for the daemon.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
    EXPECT_FALSE(window.PttConfirmedDown());
    while (s.prompter.Texts().empty()) {
        const std::optional<Notice> n = s.view.Next(RealTime(), 10'000);
        ASSERT_TRUE(n) << "no box";
        window.Handle(*n);
    }
    EXPECT_NE(s.prompter.Texts().front().find("An error occured:"), std::string::npos);
    s.daemon.Continue();
}

// The connection is made on the link's thread; its failure is told on the window's: once, with
// UseTRX turned off, and the message goes out on the other devices.
TEST(TransmitEngineTrxTest, ADaemonThatIsNotThereIsToldOnceAndTheMessageGoesOnWithoutIt) {
    CTarnwickDoc doc;
    doc.UseTRX = 1;
    doc.TrxHost = "127.0.0.1";
    doc.TrxPort = test::FreeLoopbackPort();
    doc.PortMatrix[kTrxRow][0] = 1;
    doc.ComPort[0] = 1;
    doc.PortMatrix[0][kCwColumn] = 2;
    doc.CWRate = 50;
    doc.TXDelay = 0;
    NoticeQueue view;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
    EngineDriver window(engine, view, RealTime());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(engine.Send("E"));
        EXPECT_EQ(window.RunUntilDone(nullptr), SendOutcome::Completed);
    }
    ASSERT_TRUE(engine.WaitForTrxLink(nullptr));
    while (const std::optional<Notice> n = view.Next(RealTime(), 0)) {
        window.Handle(*n);
    }
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kTrxConnectFailedText});
    EXPECT_EQ(doc.UseTRX, 0);
    EXPECT_FALSE(engine.HasTrxLink());
    const std::vector<std::string> log = hardware.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "/dev/ttyS0 dtr on"), 2);
}

}  // namespace
}  // namespace tarnwick
