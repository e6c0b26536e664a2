#include <gtest/gtest.h>

#include "model/DebouncedSaver.h"
#include "platform/VirtualTimeBase.h"

namespace tarnwick {
namespace {

constexpr int64_t kMs = 1'000'000;

class DebouncedSaverTest : public ::testing::Test {
protected:
    // Moves the clock on and lets the saver do what a fired timer would.
    void After(int64_t ms) {
        time_.AdvanceNs(ms * kMs);
        saver_.Poll();
    }

    VirtualTimeBase time_;
    int saves_ = 0;
    bool diskWorks_ = true;
    DebouncedSaver saver_{time_, [this] {
                              ++saves_;
                              return diskWorks_;
                          }};
};

TEST_F(DebouncedSaverTest, SavesOnceAfterABurstOfChangesHasSettled) {
    EXPECT_EQ(saver_.NsUntilDue(), -1);
    for (int i = 0; i < 3; ++i) {
        saver_.Changed();
        After(100);
    }
    EXPECT_EQ(saves_, 0) << "still typing";
    EXPECT_EQ(saver_.NsUntilDue(), (500 - 100) * kMs);
    After(399);
    EXPECT_EQ(saves_, 0);
    After(1);
    EXPECT_EQ(saves_, 1);
    EXPECT_FALSE(saver_.Pending());
    After(10'000);
    EXPECT_EQ(saves_, 1) << "nothing new to save";
}

TEST_F(DebouncedSaverTest, SteadyChangesAreSavedWithinTheLongestDelay) {
    for (int i = 0; i < 40; ++i) {  // a change every 100 ms for 4 s
        saver_.Changed();
        After(100);
    }
    // Saved at 2 s and 4 s: a crash never loses more than two seconds of changes.
    EXPECT_EQ(saves_, 2);
}

TEST_F(DebouncedSaverTest, AnOkSavesAtOnceAndAFailedSaveIsRetriedLater) {
    saver_.Changed();
    EXPECT_TRUE(saver_.SaveNow());
    EXPECT_EQ(saves_, 1);
    EXPECT_FALSE(saver_.Pending());

    diskWorks_ = false;
    saver_.Changed();
    After(500);
    EXPECT_EQ(saves_, 2);
    EXPECT_TRUE(saver_.LastSaveFailed());
    EXPECT_TRUE(saver_.Pending()) << "a change that is not on disk stays pending";
    After(4999);
    EXPECT_EQ(saves_, 2) << "a full disk is not hammered";
    diskWorks_ = true;
    After(1);
    EXPECT_EQ(saves_, 3);
    EXPECT_FALSE(saver_.LastSaveFailed());
    EXPECT_FALSE(saver_.Pending());
}

}  // namespace
}  // namespace tarnwick
