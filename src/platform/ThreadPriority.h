#pragma once

#include <functional>
#include <string>
#include <thread>

namespace tarnwick {

// The priorities a keying thread may be given; the index is the stored CWPriority setting.
enum class ThreadPriority { Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };

// CWPriority 0..5 in order; anything else (a hand-edited settings file) gives Normal.
ThreadPriority PriorityFromSetting(int cwPriority);

// Applies `priority` to the calling thread and returns what it got, for example
// "SCHED_FIFO 80" or "nice 0". Real-time classes are tried first for Highest and TimeCritical;
// without the right to use them the thread falls back quietly to the best it may have.
std::string ApplyToCurrentThread(ThreadPriority priority);

// Starts a thread that applies `priority` to itself, then runs `body`.
std::thread StartThread(ThreadPriority priority, std::function<void()> body);

}  // namespace tarnwick
