#include "audio/WaterfallLineQueue.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Line = WaterfallLineQueue::Line;

Line Numbered(uint64_t n) {
    Line line;
    line.spectrum = n;
    return line;
}

// Lines come out in order across the ring's wrap; a full queue drops (and counts) the newest
// lines rather than overwrite one the window may be reading, and takes lines again once the
// window has taken some.
TEST(WaterfallLineQueueTest, InOrderAndDropsTheNewestWhenFull) {
    WaterfallLineQueue queue;
    Line line;
    EXPECT_FALSE(queue.Pop(line));
    uint64_t next = 1;
    uint64_t expected = 1;
    for (int round = 0; round < 3; ++round) {
        for (int k = 0; k < 40; ++k) {
            ASSERT_TRUE(queue.Push(Numbered(next++)));
        }
        for (int k = 0; k < 40; ++k) {
            ASSERT_TRUE(queue.Pop(line));
            EXPECT_EQ(line.spectrum, expected++);
        }
    }
    for (uint64_t k = 0; k < WaterfallLineQueue::kCapacity; ++k) {
        ASSERT_TRUE(queue.Push(Numbered(next++)));
    }
    EXPECT_FALSE(queue.Push(Numbered(999)));
    EXPECT_EQ(queue.Dropped(), 1u);
    ASSERT_TRUE(queue.Pop(line));
    EXPECT_EQ(line.spectrum, expected++);
    EXPECT_TRUE(queue.Push(Numbered(next++)));
    for (uint64_t k = 0; k < WaterfallLineQueue::kCapacity; ++k) {
        ASSERT_TRUE(queue.Pop(line));
        EXPECT_EQ(line.spectrum, expected++);
    }
    EXPECT_FALSE(queue.Pop(line));
}

}  // namespace
}  // namespace tarnwick
