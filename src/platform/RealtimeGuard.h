#pragma once

#include <sys/types.h>

#include <cstdint>

namespace tarnwick {

// Keeps a real-time keying thread that stopped sleeping (a fault) from taking a core: the
// process's RLIMIT_RTTIME makes the kernel raise SIGXCPU once such a thread has run for the
// soft limit without a pause, and every thread guarded here is then put back to normal
// scheduling. A keying thread sleeps between edges, so it never comes near the limit.

// Lowers RLIMIT_RTTIME to at most `softUs` and `hardUs` (never raises it).
void LimitRealtimeRunTime(int64_t softUs, int64_t hardUs);

// Adds thread `tid` to the threads put back to normal scheduling; false when the table of
// guarded threads is full (the thread must then not take real-time).
bool GuardRealtimeThread(pid_t tid);
void UnguardRealtimeThread(pid_t tid);

// How often guarded threads were put back to normal scheduling.
unsigned RealtimeDemotions();

}  // namespace tarnwick
