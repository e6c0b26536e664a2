#include <gtest/gtest.h>

#include <atomic>

#include "platform/ThreadPriority.h"

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

}  // namespace
}  // namespace tarnwick
