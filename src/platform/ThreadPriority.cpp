#include "platform/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tarnwick {

namespace {

struct Mapping {
    int fifoPriority;  // 0: no real-time attempt
    int nice;
};

Mapping MappingFor(ThreadPriority p) {
    switch (p) {
        case ThreadPriority::Lowest:
            return {0, 10};
        case ThreadPriority::BelowNormal:
            return {0, 5};
        case ThreadPriority::Normal:
            return {0, 0};
        case ThreadPriority::AboveNormal:
            return {0, -5};
        case ThreadPriority::Highest:
            return {50, -10};
        case ThreadPriority::TimeCritical:
            return {80, -15};
    }
    return {0, 0};
}

bool SetNice(int nice) {
    // On Linux a thread id passed to setpriority affects that thread alone.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}

}  // namespace

ThreadPriority PriorityFromSetting(int cwPriority) {
    if (cwPriority < 0 || cwPriority > 5) {
        return ThreadPriority::Normal;
    }
    return static_cast<ThreadPriority>(cwPriority);
}

std::string ApplyToCurrentThread(ThreadPriority priority) {
    // Keying deadlines are sub-millisecond; the default 50 us timer slack would eat into that.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    const Mapping m = MappingFor(priority);
    if (m.fifoPriority > 0) {
        sched_param param{};
        param.sched_priority = m.fifoPriority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
            return "SCHED_FIFO " + std::to_string(m.fifoPriority);
        }
    }
    // Without CAP_SYS_NICE a raise is refused; step towards 0 until one is allowed.
    for (int nice = m.nice;; nice += (nice < 0 ? 1 : 0)) {
        if (SetNice(nice)) {
            return "nice " + std::to_string(nice);
        }
        if (nice >= 0) {
            return "unchanged";
        }
    }
}

std::thread StartThread(ThreadPriority priority, std::function<void()> body) {
    return std::thread([priority, body = std::move(body)] {
        ApplyToCurrentThread(priority);
        body();
    });
}

}  // namespace tarnwick
