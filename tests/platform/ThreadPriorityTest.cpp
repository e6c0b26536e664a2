#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/RealtimeGuard.h"
#include "platform/ThreadPriority.h"
#include "support/ForkedTest.h"

namespace tarnwick {
namespace {

TEST(ThreadPriorityTest, SettingsMapInOrderAndNonsenseGivesNormal) {
    EXPECT_EQ(PriorityFromSetting(0), ThreadPriority::Lowest);
    EXPECT_EQ(PriorityFromSetting(3), ThreadPriority::AboveNormal);
    EXPECT_EQ(PriorityFromSetting(5), ThreadPriority::TimeCritical);
    EXPECT_EQ(PriorityFromSetting(6), ThreadPriority::Normal);
    EXPECT_EQ(PriorityFromSetting(-1), ThreadPriority::Normal);
}

TEST(ThreadPriorityTest, EveryPriorityStartsAThreadThatRuns) {
    for (int p = 0; p <= 5; ++p) {
        std::atomic<bool> ran{false};
        std::thread t = StartThread(PriorityFromSetting(p), [&] { ran = true; });
        t.join();
        EXPECT_TRUE(ran) << p;
    }
}

TEST(ThreadPriorityTest, TheDefaultKeysAtRealTimeWithARunTimeLimitWhenTheProcessMay) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "real-time scheduling is tried directly only with the right to it";
    }
    int policy = -1;
    sched_param param{};
    SchedulingReport report;
    std::thread t([&] {
        ThreadScheduling scheduling(ThreadPriority::AboveNormal);
        policy = sched_getscheduler(0);
        sched_getparam(0, &param);
        report = scheduling.Report();
    });
    t.join();
    EXPECT_EQ(policy, SCHED_FIFO | SCHED_RESET_ON_FORK);
    EXPECT_EQ(param.sched_priority, 40);
    EXPECT_EQ(report.method, SchedulingMethod::Direct);
    rlimit runTime{};
    ASSERT_EQ(getrlimit(RLIMIT_RTTIME, &runTime), 0);
    EXPECT_LE(runTime.rlim_max, static_cast<rlim_t>(kRtTimeHardUs));
    EXPECT_LT(runTime.rlim_cur, runTime.rlim_max);
    EXPECT_EQ(LastRealtimeReport()->method, SchedulingMethod::Direct);
    EXPECT_EQ(TakeSchedulingNotice(), "");
}

TEST(ThreadPriorityTest, ARealTimeThreadThatNeverSleepsIsPutBackInsteadOfTakingTheCore) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "real-time scheduling is tried directly only with the right to it";
    }
    // Forked: the process is killed if the thread is not put back before the hard limit.
    test::RunForked([] {
        bool wasRealtime = false;
        bool putBack = false;
        std::thread t([&] {
            const ThreadScheduling scheduling(ThreadPriority::TimeCritical);
            wasRealtime = (sched_getscheduler(0) & ~SCHED_RESET_ON_FORK) == SCHED_FIFO;
            std::mutex m;  // a call the thread sanitizer delivers pending signals in
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!putBack && std::chrono::steady_clock::now() < giveUp) {
                const std::lock_guard<std::mutex> lock(m);
                putBack = sched_getscheduler(0) == SCHED_OTHER;
            }
        });
        t.join();
        EXPECT_TRUE(wasRealtime);
        EXPECT_TRUE(putBack);
        EXPECT_EQ(RealtimeDemotions(), 1u);
        EXPECT_NE(LastRealtimeReport()->reason.find("put back"), std::string::npos);
    });
}

TEST(ThreadPriorityTest, AHungBusNeitherHoldsKeyingBackLongNorGoesUntold) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "becoming an ordinary user with nothing said yet needs root";
    }
    test::RunForked([] {
        // A bus that takes connections and never answers (nobody accepts them).
        const int bus = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string name = "tarnwick-hung-bus-" + std::to_string(getpid());
        std::memcpy(addr.sun_path + 1, name.data(), name.size());
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        ASSERT_EQ(bind(bus, reinterpret_cast<sockaddr*>(&addr), length), 0);
        ASSERT_EQ(listen(bus, 16), 0);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:abstract=" + name).c_str(), 1);
        // An ordinary user without a real-time limit.
        const rlimit noRealtime{0, 0};
        ASSERT_EQ(setrlimit(RLIMIT_RTPRIO, &noRealtime), 0);
        ASSERT_EQ(setgroups(0, nullptr), 0);
        ASSERT_EQ(setresgid(65534, 65534, 65534), 0);
        ASSERT_EQ(setresuid(65534, 65534, 65534), 0);

        using Clock = std::chrono::steady_clock;
        std::string notices[2];
        for (std::string& notice : notices) {
            Clock::duration stopped{}, waited{};
            SchedulingReport report;
            std::thread t([&] {
                ThreadScheduling scheduling(ThreadPriority::AboveNormal);
                const std::atomic<int> stop{1};
                auto begin = Clock::now();
                AwaitRealtimeGrant(stop, 60000);
                stopped = Clock::now() - begin;
                const std::atomic<int> go{0};
                begin = Clock::now();
                AwaitRealtimeGrant(go, 100);
                waited = Clock::now() - begin;
                report = scheduling.Report();
            });
            t.join();
            EXPECT_LT(stopped, std::chrono::seconds(30));
            EXPECT_GE(waited, std::chrono::milliseconds(100));
            EXPECT_LT(waited, std::chrono::seconds(30));
            EXPECT_EQ(report.method, SchedulingMethod::Nice);
            EXPECT_NE(report.reason.find("did not answer"), std::string::npos) << report.reason;
            notice = TakeSchedulingNotice();
        }
        EXPECT_NE(notices[0].find("without real-time priority"), std::string::npos) << notices[0];
        EXPECT_EQ(notices[1], "");
        close(bus);
    });
}

}  // namespace
}  // namespace tarnwick
