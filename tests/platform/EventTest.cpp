#include <gtest/gtest.h>

#include <thread>

#include "platform/Event.h"
#include "platform/TimeBase.h"
#include "platform/VirtualTimeBase.h"

namespace tarnwick {
namespace {

TEST(EventTest, AutoResetIsTakenByOneWaitManualStays) {
    VirtualTimeBase time;
    Event autoEv(ResetMode::Auto, true);
    Event manualEv(ResetMode::Manual, true);
    EXPECT_TRUE(time.WaitFor(autoEv, 0));
    EXPECT_FALSE(time.WaitFor(autoEv, 0));
    EXPECT_TRUE(time.WaitFor(manualEv, 0));
    EXPECT_TRUE(time.WaitFor(manualEv, 0));
    manualEv.Reset();
    EXPECT_FALSE(time.WaitFor(manualEv, 0));
}

}  // namespace
}  // namespace tarnwick
