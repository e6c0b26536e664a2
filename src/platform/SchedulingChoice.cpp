#include "platform/SchedulingChoice.h"

#include <algorithm>

namespace tarnwick {

namespace {

// Below this the broker's limit on running without a sleep would cut into ordinary keying work.
constexpr int64_t kShortestUsableRtTimeUs = 10000;

int NiceFor(ThreadPriority p) {
    switch (p) {
        case ThreadPriority::Lowest:
            return 10;
        case ThreadPriority::BelowNormal:
            return 5;
        case ThreadPriority::Normal:
            return 0;
        case ThreadPriority::AboveNormal:
            return -5;
        case ThreadPriority::Highest:
            return -10;
        case ThreadPriority::TimeCritical:
            return -15;
    }
    return 0;
}

// The default stays below the kernel's interrupt threads (SCHED_FIFO 50 where interrupts are
// threaded), so keying never holds up the serial port's own interrupt; the two higher settings
// rank with and above them, as the operator asked.
int RealtimeFor(ThreadPriority p) {
    switch (p) {
        case ThreadPriority::AboveNormal:
            return 40;
        case ThreadPriority::Highest:
            return 50;
        case ThreadPriority::TimeCritical:
            return 80;
        default:
            return 0;
    }
}

}  // namespace

ThreadPriority PriorityFromSetting(int cwPriority) {
    if (cwPriority < 0 || cwPriority > 5) {
        return ThreadPriority::Normal;
    }
    return static_cast<ThreadPriority>(cwPriority);
}

bool WantsRealtime(ThreadPriority priority) {
    return RealtimeFor(priority) > 0;
}

SchedulingChoice ChooseScheduling(const SchedulingInputs& in) {
    SchedulingChoice c;
    c.nice = NiceFor(in.requested);
    const int wanted = RealtimeFor(in.requested);
    if (wanted == 0) {
        return c;
    }
    if ((in.privileged || in.rtprioLimit > 0) && in.directRefusal.empty()) {
        c.method = SchedulingMethod::Direct;
        c.rtPriority =
            in.privileged ? wanted : static_cast<int>(std::min<uint64_t>(wanted, in.rtprioLimit));
        c.rttimeSoftUs = kRtTimeSoftUs;
        c.rttimeHardUs = kRtTimeHardUs;
        return c;
    }
    if (!in.brokerAsked) {
        c.method = SchedulingMethod::AskBroker;
        return c;
    }
    const std::string why = in.directRefusal.empty() ? std::string("RLIMIT_RTPRIO is 0")
                                                     : "the kernel refused real-time scheduling (" +
                                                           in.directRefusal + ")";
    if (!in.broker) {
        c.reason = why + " and the real-time broker did not answer";
        return c;
    }
    const BrokerLimits& b = *in.broker;
    c.brokerNice = std::max(c.nice, b.minNiceLevel);
    if (b.maxRealtimePriority < 1) {
        c.reason = why + " and the real-time broker allows no real-time priority";
        return c;
    }
    if (b.rttimeUsecMax < kShortestUsableRtTimeUs) {
        c.reason = why + " and the real-time broker's run-time limit is too short";
        return c;
    }
    c.method = SchedulingMethod::Broker;
    c.rtPriority = std::min(wanted, b.maxRealtimePriority);
    c.rttimeHardUs = std::min(b.rttimeUsecMax, kRtTimeHardUs);
    c.rttimeSoftUs = c.rttimeHardUs / 2;
    return c;
}

}  // namespace tarnwick
