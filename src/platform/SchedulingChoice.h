#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

// The priorities a keying thread may be given; the index is the stored CWPriority setting.
enum class ThreadPriority { Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };

// How a thread gets its scheduling: its own nice value, real-time set by the thread itself,
// or real-time granted by the desktop's real-time broker on the system bus.
enum class SchedulingMethod { Nice, Direct, AskBroker, Broker };

// What the real-time broker allows, as it reports it.
struct BrokerLimits {
    int maxRealtimePriority = 0;
    int minNiceLevel = 0;
    int64_t rttimeUsecMax = 0;
};

struct SchedulingInputs {
    ThreadPriority requested = ThreadPriority::Normal;
    uint64_t rtprioLimit = 0;   // RLIMIT_RTPRIO (soft); RLIM_INFINITY counts as any
    bool privileged = false;    // CAP_SYS_NICE
    std::string directRefusal;  // why the kernel refused the real-time class anyway
    bool brokerAsked = false;
    std::optional<BrokerLimits> broker;  // empty: not asked yet, or it did not answer
};

struct SchedulingChoice {
    SchedulingMethod method = SchedulingMethod::Nice;
    int rtPriority = 0;  // Direct (SCHED_FIFO) and Broker (SCHED_RR)
    // The nice value the thread takes at once, also while the broker is asked and when
    // real-time is not to be had.
    int nice = 0;
    // Once the broker answered: the nice value to ask it for when real-time is not granted and
    // the thread may not lower its own that far.
    int brokerNice = 0;
    // RLIMIT_RTTIME to set before real-time: past the soft limit the thread is put back to
    // normal scheduling, the hard limit (which the broker checks) ends the process.
    int64_t rttimeSoftUs = 0;
    int64_t rttimeHardUs = 0;
    // Why a thread that wanted real-time does not get it (empty otherwise).
    std::string reason;
};

// The longest a real-time keying thread may run without sleeping before it is put back to
// normal scheduling, and the point past which the kernel ends the process.
inline constexpr int64_t kRtTimeSoftUs = 100000;
inline constexpr int64_t kRtTimeHardUs = 200000;

// CWPriority 0..5 in order; anything else (a hand-edited settings file) gives Normal.
ThreadPriority PriorityFromSetting(int cwPriority);

// High and above: the priorities that want real-time scheduling.
bool WantsRealtime(ThreadPriority priority);

// Decides how a thread of `in.requested` priority is scheduled. The three lowest priorities
// keep nice values; the higher ones want real-time (SCHED_FIFO 40, 50, 80): directly when the
// process may, else through the broker (clamped to what it allows), else nice -5, -10, -15.
SchedulingChoice ChooseScheduling(const SchedulingInputs& in);

}  // namespace tarnwick
