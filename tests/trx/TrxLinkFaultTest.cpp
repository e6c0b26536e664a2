#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Event.h"
#include "support/TcpSockets.h"
#include "trx/FaultyPeer.h"
#include "trx/RigStatus.h"
#include "trx/TrxLinkFixture.h"

namespace tarnwick {
namespace {

using std::chrono::milliseconds;
using test::ErrorBox;
using test::TrxLinkFixture;

using Clock = std::chrono::steady_clock;

// What one call may cost at most when the daemon is gone or hung: a new connection and one
// answer, both timed out, plus room for a loaded machine.
constexpr auto kCallBound = milliseconds(kTrxConnectTimeoutMs + kTrxReplyTimeoutMs + 2000);

const std::string kTimedOut = ErrorBox(kRigTimedOut, RigStatusText(kRigTimedOut));
const std::string kLost = ErrorBox(kRigIoError, RigStatusText(kRigIoError));

TEST(TrxLinkHungDaemonTest, EveryCallTimesOutWithTheBoxAndNothingHangs) {
    test::FaultyPeer peer(test::PeerFault::NeverAnswers);
    ASSERT_GT(peer.Port(), 0);
    CTarnwickDoc doc;
    doc.TrxPort = peer.Port();
    test::RecordingPrompter prompter;
    TrxManagerLink link(doc, prompter, RealTime());
    Event done(ResetMode::Manual);
    link.SetSendingDoneHandler([&](uint64_t) { done.Set(); });
    ASSERT_TRUE(link.Connect(42));  // it accepts: only an answer would tell it is not a daemon

    auto start = Clock::now();
    EXPECT_FALSE(link.IsCatActive());
    EXPECT_GE(Clock::now() - start, milliseconds(kTrxReplyTimeoutMs));
    EXPECT_LT(Clock::now() - start, kCallBound);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kTimedOut}));

    // The text cannot go: one box, and the end-of-sending report still comes so that nobody
    // waits for it forever.
    start = Clock::now();
    link.SendCwText("CQ");
    EXPECT_LT(Clock::now() - start, kCallBound);
    EXPECT_EQ(prompter.Texts().size(), 2u);
    EXPECT_TRUE(RealTime().WaitFor(done, 2000));

    start = Clock::now();
    link.Disconnect();
    EXPECT_LT(Clock::now() - start, kCallBound);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kTimedOut, kTimedOut, kTimedOut}));
    EXPECT_FALSE(link.IsConnected());
    EXPECT_GE(peer.Accepted(), 2);  // each failed call starts afresh on a new connection
}

TEST(TrxLinkHangingUpPeerTest, ADroppedFreshConnectionIsTriedOnceMoreOnly) {
    test::FaultyPeer peer(test::PeerFault::HangsUp);
    ASSERT_GT(peer.Port(), 0);
    CTarnwickDoc doc;
    doc.TrxPort = peer.Port();
    test::RecordingPrompter prompter;
    TrxManagerLink link(doc, prompter, RealTime());
    ASSERT_TRUE(link.Connect(42));
    // The hang-up of that first connection has arrived, so that the link finds it dead before
    // sending and the count below is exact.
    ASSERT_EQ(peer.ConnectionsSoFar(), 1);
    ASSERT_TRUE(peer.AwaitHangUpsArrived());

    const auto start = Clock::now();
    EXPECT_FALSE(link.IsCatActive());
    EXPECT_LT(Clock::now() - start, milliseconds(kTrxReplyTimeoutMs));
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kLost}));
    // Connect's, the new one the command was sent on, and a single retry.
    EXPECT_EQ(peer.ConnectionsSoFar(), 3);

    // Morse that cannot be handed over is reported done at once, after its box.
    Event done(ResetMode::Manual);
    link.SetSendingDoneHandler([&](uint64_t) { done.Set(); });
    EXPECT_FALSE(link.SetData(20, 20, 0.0, "CQ"));
    EXPECT_TRUE(RealTime().WaitFor(done, 2000));
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kLost, kLost}));
}

using TrxLinkDaemonFaultTest = TrxLinkFixture;

TEST_F(TrxLinkDaemonFaultTest, DaemonKilledDuringACallFailsClearlyThenFast) {
    ASSERT_TRUE(link->Connect(42));
    link->SetPtt(true);
    ASSERT_TRUE(prompter.Texts().empty());

    // The daemon is frozen, the command reaches it, then it dies before it answers.
    daemon->Stop();
    bool active = true;
    const auto start = Clock::now();
    std::thread call([&] { active = link->IsCatActive(); });
    const int port = daemon->Port();
    EXPECT_TRUE(test::WaitForSockets(
        [port](const std::vector<test::TcpSocket>& sockets) {
            for (const test::TcpSocket& s : sockets) {
                if (s.localPort == port && s.state == test::TcpSocket::kEstablished &&
                    s.unreadBytes > 0) {
                    return true;
                }
            }
            return false;
        },
        10'000));
    daemon->Kill();
    call.join();
    EXPECT_FALSE(active);
    EXPECT_LT(Clock::now() - start, milliseconds(kTrxReplyTimeoutMs));  // not a time-out
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kLost}));

    // Nothing listens any more: later calls fail at once, each with its box, without SIGPIPE.
    const auto later = Clock::now();
    link->SetPtt(false);
    link->SendCwText("CQ CQ");
    EXPECT_FALSE(link->IsCatActive());
    EXPECT_LT(Clock::now() - later, milliseconds(1000));
    EXPECT_EQ(prompter.Texts().size(), 4u);
    EXPECT_EQ(prompter.Texts().back(), kLost);
    EXPECT_TRUE(link->IsConnected());  // still the operator's choice until Disconnect
}

TEST_F(TrxLinkDaemonFaultTest, ARestartedDaemonIsFoundAgain) {
    ASSERT_TRUE(link->Connect(42));
    ASSERT_TRUE(link->IsCatActive());
    const int port = daemon->Port();
    daemon->Kill();
    EXPECT_FALSE(link->IsCatActive());
    ASSERT_EQ(prompter.Texts().size(), 1u);

    daemon = std::make_unique<test::RigDaemon>(true, port);
    ASSERT_TRUE(daemon->Running());
    EXPECT_TRUE(link->IsCatActive());
    link->SetPtt(true);
    EXPECT_NE(Ptt().find("PTT: 1\n"), std::string::npos);
    link->Disconnect();
    EXPECT_NE(Ptt().find("PTT: 0\n"), std::string::npos);
    EXPECT_EQ(prompter.Texts().size(), 1u);
}

}  // namespace
}  // namespace tarnwick
