#include "platform/RealtimeGuard.h"

#include <sched.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace tarnwick {

namespace {

// Keying threads are few (the engine's worker, the manual sender); the table is fixed so the
// signal handler can walk it without locks.
std::array<std::atomic<pid_t>, 16> guarded{};
std::atomic<rlim_t> softLimit{RLIM_INFINITY};
std::atomic<rlim_t> hardLimit{RLIM_INFINITY};
std::atomic<unsigned> demotions{0};

void OnRunTimeExceeded(int /*signal*/) {
    const int savedErrno = errno;
    for (auto& slot : guarded) {
        const pid_t tid = slot.load();
        if (tid > 0) {
            sched_param normal{};
            sched_setscheduler(tid, SCHED_OTHER, &normal);
        }
    }
    // The kernel moves the soft limit a second on with every signal; put it back for the next.
    const rlimit limits{softLimit.load(), hardLimit.load()};
    setrlimit(RLIMIT_RTTIME, &limits);
    demotions.fetch_add(1);
    errno = savedErrno;
}

// Only where nobody else handles SIGXCPU: a program that does keeps its own handling.
void InstallHandlerOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction old {};
        if (sigaction(SIGXCPU, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
            (old.sa_flags & SA_SIGINFO) != 0) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = OnRunTimeExceeded;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGXCPU, &action, nullptr);
    });
}

}  // namespace

void LimitRealtimeRunTime(int64_t softUs, int64_t hardUs) {
    static std::mutex mutex;
    const std::lock_guard<std::mutex> lock(mutex);
    rlimit now{};
    if (getrlimit(RLIMIT_RTTIME, &now) != 0) {
        return;
    }
    const rlim_t hard = std::min<rlim_t>(now.rlim_max, static_cast<rlim_t>(hardUs));
    // Below the hard limit, so the thread is put back before the kernel ends the process.
    const rlim_t soft = std::min<rlim_t>(static_cast<rlim_t>(softUs), hard / 2);
    const rlimit limits{soft, hard};
    if (setrlimit(RLIMIT_RTTIME, &limits) == 0) {
        softLimit.store(soft);
        hardLimit.store(hard);
    }
}

bool GuardRealtimeThread(pid_t tid) {
    InstallHandlerOnce();
    for (auto& slot : guarded) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, tid)) {
            return true;
        }
    }
    return false;
}

void UnguardRealtimeThread(pid_t tid) {
    for (auto& slot : guarded) {
        pid_t mine = tid;
        if (slot.compare_exchange_strong(mine, 0)) {
            return;
        }
    }
}

unsigned RealtimeDemotions() {
    return demotions.load();
}

}  // namespace tarnwick
