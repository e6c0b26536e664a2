#include <gtest/gtest.h>

#include <cstdint>

#include "platform/SchedulingChoice.h"

namespace tarnwick {
namespace {

SchedulingInputs Inputs(ThreadPriority p, uint64_t rtprio, bool privileged) {
    SchedulingInputs in;
    in.requested = p;
    in.rtprioLimit = rtprio;
    in.privileged = privileged;
    return in;
}

TEST(SchedulingChoiceTest, RealTimeIsTakenDirectlyWheneverTheProcessMay) {
    // The lower settings keep their nice values even where real-time is allowed.
    const SchedulingChoice low = ChooseScheduling(Inputs(ThreadPriority::Normal, 99, true));
    EXPECT_EQ(low.method, SchedulingMethod::Nice);
    EXPECT_EQ(low.rttimeHardUs, 0);

    const SchedulingChoice root = ChooseScheduling(Inputs(ThreadPriority::AboveNormal, 0, true));
    EXPECT_EQ(root.method, SchedulingMethod::Direct);
    EXPECT_EQ(root.rtPriority, 40);
    EXPECT_GT(root.rttimeSoftUs, 0);
    EXPECT_LT(root.rttimeSoftUs, root.rttimeHardUs);

    // A user with a real-time limit gets up to that limit, the default no more than it asked.
    EXPECT_EQ(ChooseScheduling(Inputs(ThreadPriority::TimeCritical, 10, false)).rtPriority, 10);
    EXPECT_EQ(ChooseScheduling(Inputs(ThreadPriority::AboveNormal, UINT64_MAX, false)).rtPriority,
              40);

    // A kernel that refuses anyway (no real-time quota) sends it to the broker.
    SchedulingInputs refused = Inputs(ThreadPriority::AboveNormal, 0, true);
    refused.directRefusal = "Operation not permitted";
    const SchedulingChoice ask = ChooseScheduling(refused);
    EXPECT_EQ(ask.method, SchedulingMethod::AskBroker);
    EXPECT_EQ(ask.nice, -5);
}

TEST(SchedulingChoiceTest, WithoutTheRightTheBrokerGrantsWithinItsLimitsElseNice) {
    SchedulingInputs in = Inputs(ThreadPriority::AboveNormal, 0, false);
    EXPECT_EQ(ChooseScheduling(in).method, SchedulingMethod::AskBroker);

    in.brokerAsked = true;
    in.broker = BrokerLimits{20, -15, 200000};
    SchedulingChoice c = ChooseScheduling(in);
    EXPECT_EQ(c.method, SchedulingMethod::Broker);
    EXPECT_EQ(c.rtPriority, 20);
    EXPECT_EQ(c.rttimeHardUs, 200000);  // the broker checks the hard limit against its own
    EXPECT_EQ(c.rttimeSoftUs, 100000);

    in.broker = BrokerLimits{99, -15, 5000000};  // a generous broker: still our own safety net
    c = ChooseScheduling(in);
    EXPECT_EQ(c.rtPriority, 40);
    EXPECT_EQ(c.rttimeHardUs, kRtTimeHardUs);

    in.broker = BrokerLimits{0, -3, 200000};  // no real-time: the broker's nice, if lower
    c = ChooseScheduling(in);
    EXPECT_EQ(c.method, SchedulingMethod::Nice);
    EXPECT_EQ(c.brokerNice, -3);
    EXPECT_NE(c.reason.find("allows no real-time"), std::string::npos) << c.reason;

    in.broker = BrokerLimits{20, -15, 2000};  // too short a run for ordinary keying work
    EXPECT_EQ(ChooseScheduling(in).method, SchedulingMethod::Nice);

    in.broker.reset();  // not reachable
    c = ChooseScheduling(in);
    EXPECT_EQ(c.method, SchedulingMethod::Nice);
    EXPECT_EQ(c.nice, -5);
    EXPECT_NE(c.reason.find("RLIMIT_RTPRIO is 0"), std::string::npos) << c.reason;
    EXPECT_NE(c.reason.find("did not answer"), std::string::npos) << c.reason;
}

}  // namespace
}  // namespace tarnwick
