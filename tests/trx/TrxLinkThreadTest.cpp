#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/TimeBase.h"
#include "support/RigDaemon.h"
#include "trx/RigStatus.h"
#include "trx/TrxLinkFixture.h"
#include "trx/TrxLinkThread.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using Reports = std::vector<std::pair<uint64_t, bool>>;

struct Recorder {
    std::function<void(uint64_t, bool)> Handler() {
        return [this](uint64_t tag, bool handedOver) {
            std::lock_guard lock(mutex);
            reports.emplace_back(tag, handedOver);
        };
    }
    Reports Taken() {
        std::lock_guard lock(mutex);
        return reports;
    }

    std::mutex mutex;
    Reports reports;
    Event news{ResetMode::Manual};
};

// The arguments of every command of one kind the daemon received, in order.
std::vector<std::string> Args(const test::RigDaemon& daemon, const std::string& command) {
    std::vector<std::string> out;
    for (const test::LoggedCommand& c : daemon.Received()) {
        if (c.command == command) {
            out.push_back(c.args.empty() ? "" : c.args[0]);
        }
    }
    return out;
}

// A daemon that has stopped answering must not hold whoever queues calls, and a PTT drop must
// not wait behind Morse: what was queued to key the radio before the drop never goes out.
TEST(TrxLinkThreadTest, AFrozenDaemonHoldsNoCallerAndAPttDropGoesFirst) {
    test::RigDaemon daemon;
    ASSERT_TRUE(daemon.Running());
    Recorder recorder;
    TrxLinkThread link(
        RealTime(), [&] { recorder.news.Set(); }, recorder.Handler());
    link.Connect("127.0.0.1", daemon.Port(), 42);
    ASSERT_EQ(link.Barrier()->Wait(10'000), std::optional<bool>(true));

    daemon.Stop();
    const auto start = std::chrono::steady_clock::now();
    link.SendText(std::string(200, 'E'), 50, 1);
    // Most likely under way now, waiting for the frozen daemon; if not, it is still queued.
    std::this_thread::sleep_for(100ms);
    const std::shared_ptr<TrxLinkCall> raise = link.PttOn();
    link.SendText("PARIS", 50, 2);
    link.SetCallSign("TEST");
    const std::shared_ptr<TrxLinkCall> drop = link.PttOff();
    link.StopMorse();
    // Each of these would have waited up to 1.5 s for the daemon on the caller's thread.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(drop->Finished());
    daemon.Continue();

    EXPECT_EQ(drop->Wait(10'000), std::optional<bool>(true));
    EXPECT_EQ(raise->Wait(0), std::optional<bool>(false));
    ASSERT_TRUE(link.Barrier()->Wait(10'000));
    EXPECT_TRUE(Args(daemon, "b").empty());
    EXPECT_TRUE(Args(daemon, "L").empty());
    EXPECT_EQ(Args(daemon, "T"), std::vector<std::string>{"0"});
    // The second text is dropped at once; the first, if it was under way, when it gives up.
    Reports reports = recorder.Taken();
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (Reports{{1, false}, {2, false}}));
}

// The link shows no box itself: refused commands and a failed connection are news for the
// window's thread, announced once per batch.
TEST(TrxLinkThreadTest, BoxesAndAFailedConnectionComeAsNews) {
    test::RigDaemon refusing(/*pttByRig=*/false);
    ASSERT_TRUE(refusing.Running());
    Recorder recorder;
    TrxLinkThread link(
        RealTime(), [&] { recorder.news.Set(); }, recorder.Handler());
    link.Connect("127.0.0.1", refusing.Port(), 42);
    EXPECT_EQ(link.PttOn()->Wait(10'000), std::optional<bool>(false));
    EXPECT_TRUE(RealTime().WaitFor(recorder.news, 10'000));
    std::vector<TrxLinkNews> news = link.TakeNews();
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].kind, TrxLinkNews::Kind::Box);
    EXPECT_EQ(news[0].text, test::ErrorBox(kRigInvalidArgument, "Invalid parameter"));

    recorder.news.Reset();
    TrxLinkThread absent(
        RealTime(), [&] { recorder.news.Set(); }, recorder.Handler());
    absent.Connect("127.0.0.1", test::FreeLoopbackPort(), 42);
    EXPECT_TRUE(RealTime().WaitFor(recorder.news, 10'000));
    news = absent.TakeNews();
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].kind, TrxLinkNews::Kind::ConnectFailed);
}

}  // namespace
}  // namespace tarnwick
