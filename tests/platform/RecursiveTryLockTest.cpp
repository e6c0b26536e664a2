#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/RecursiveTryLock.h"

namespace tarnwick {
namespace {

bool TryFromOtherThread(RecursiveTryLock& lock, bool release) {
    bool got = false;
    std::thread([&] {
        got = lock.TryAcquire();
        if (got && release) {
            lock.Release();
        }
    }).join();
    return got;
}

TEST(RecursiveTryLockTest, OwnerNestsOthersFailUntilFullyReleased) {
    RecursiveTryLock lock;
    ASSERT_TRUE(lock.TryAcquire());
    ASSERT_TRUE(lock.TryAcquire());
    EXPECT_FALSE(TryFromOtherThread(lock, true));
    EXPECT_TRUE(lock.Release());
    EXPECT_FALSE(TryFromOtherThread(lock, true)) << "still held once";
    EXPECT_TRUE(lock.Release());
    EXPECT_FALSE(lock.Release()) << "released more often than acquired";
    EXPECT_TRUE(TryFromOtherThread(lock, true));
}

TEST(RecursiveTryLockTest, OnlyTheOwnerCanRelease) {
    RecursiveTryLock lock;
    ASSERT_TRUE(lock.TryAcquire());
    bool releasedByOther = true;
    std::thread([&] { releasedByOther = lock.Release(); }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_TRUE(lock.Release());
}

// The hand-over: of two threads trying at the same moment, exactly one gets the lock.
TEST(RecursiveTryLockTest, ExactlyOneOfTwoRacingThreadsWins) {
    constexpr int kRounds = 200;
    for (int round = 0; round < kRounds; ++round) {
        RecursiveTryLock lock;
        std::atomic<int> ready{0};
        std::atomic<int> winners{0};
        auto contender = [&] {
            ready.fetch_add(1);
            while (ready.load() < 2) {
                std::this_thread::yield();
            }
            if (lock.TryAcquire()) {
                winners.fetch_add(1);
            }
        };
        std::thread a(contender);
        std::thread b(contender);
        a.join();
        b.join();
        ASSERT_EQ(winners.load(), 1) << "round " << round;
    }
}

}  // namespace
}  // namespace tarnwick
