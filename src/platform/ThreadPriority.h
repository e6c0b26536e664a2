#pragma once

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/SchedulingChoice.h"

namespace tarnwick {

// How a thread was scheduled and why.
struct SchedulingReport {
    ThreadPriority requested = ThreadPriority::Normal;
    SchedulingMethod method = SchedulingMethod::Nice;  // Nice, Direct or Broker
    std::string scheduling;                            // "SCHED_FIFO 40", "SCHED_RR 20", "nice -5"
    // Why a thread that wanted real-time scheduling runs on a nice value (empty otherwise).
    std::string reason;

    // "SCHED_RR 20 from the real-time broker", "nice -5", ...
    std::string Describe() const;
};

// Schedules the calling thread at `priority` for as long as the object lives; make it first
// thing on the thread and let it go on the same thread. Real-time scheduling that must come
// from the broker is asked for on a helper thread, bounded in time: the calling thread goes
// on at once with its nice value and is raised when the broker grants it.
class ThreadScheduling {
public:
    explicit ThreadScheduling(ThreadPriority priority);
    ~ThreadScheduling();
    ThreadScheduling(const ThreadScheduling&) = delete;
    ThreadScheduling& operator=(const ThreadScheduling&) = delete;

    // How the thread is scheduled; waits for the broker's answer if it is still to come.
    SchedulingReport Report();

    struct BrokerRequest;

private:
    pid_t tid_;
    SchedulingReport report_;
    std::shared_ptr<BrokerRequest> request_;
};

// Waits, at most `maxMs` and until `stop` is set, while the broker is still being asked for
// real-time scheduling of the calling thread. Keying calls it before its first element, so
// that under heavy load a message starts a little later rather than with uneven first
// elements; it returns at once in every other case.
void AwaitRealtimeGrant(const std::atomic<int>& stop, int maxMs = 100);

// Starts a thread that schedules itself at `priority`, then runs `body`.
std::thread StartThread(ThreadPriority priority, std::function<void()> body);

// How the last thread that wanted real-time scheduling (High and above) was scheduled, while
// the broker is asked: the nice value it runs on meanwhile. Empty before the first.
std::optional<SchedulingReport> LastRealtimeReport();

// The one-line notice for the operator when a thread that wanted real-time scheduling had to
// run on a nice value: given once per process, empty after that and when all went well.
std::string TakeSchedulingNotice();

}  // namespace tarnwick
