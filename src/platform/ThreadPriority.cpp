#include "platform/ThreadPriority.h"

#include <linux/capability.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/RealtimeBroker.h"
#include "platform/RealtimeGuard.h"

namespace tarnwick {

namespace {

// The broker normally answers within milliseconds; a bus that does not answer at all costs
// at most this long, and only on the helper thread.
constexpr int kBrokerTimeoutMs = 500;

// The question the broker is still being asked for the calling thread, if any.
thread_local std::shared_ptr<ThreadScheduling::BrokerRequest> questionForThisThread;

std::mutex lastMutex;
std::optional<SchedulingReport> lastReport;
unsigned demotionsAtLastReport = 0;
std::string pendingNotice;
bool noticeGiven = false;

bool HasCapSysNice() {
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    return (data[CAP_TO_INDEX(CAP_SYS_NICE)].effective & CAP_TO_MASK(CAP_SYS_NICE)) != 0;
}

uint64_t RtprioLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0) {
        return 0;
    }
    return limit.rlim_cur;
}

// Sets the nicest value the thread may have, from `wanted` towards 0 (a raise is refused
// without the right to it); returns the value it got.
int SetBestNice(int wanted) {
    const id_t tid = static_cast<id_t>(gettid());
    for (int nice = wanted;; ++nice) {
        if (setpriority(PRIO_PROCESS, tid, nice) == 0) {
            return nice;
        }
        if (nice >= 0) {
            return getpriority(PRIO_PROCESS, tid);
        }
    }
}

SchedulingReport NiceReport(ThreadPriority requested, int nice, std::string reason) {
    return {requested, SchedulingMethod::Nice, "nice " + std::to_string(nice), std::move(reason)};
}

// Keeps the report of a thread that wanted real-time for LastRealtimeReport, and the notice
// when it has to do without.
void Publish(const SchedulingReport& report, bool final) {
    if (!WantsRealtime(report.requested)) {
        return;
    }
    const std::lock_guard<std::mutex> lock(lastMutex);
    lastReport = report;
    demotionsAtLastReport = RealtimeDemotions();
    if (final && report.method == SchedulingMethod::Nice && !noticeGiven) {
        noticeGiven = true;
        pendingNotice = "CW keying runs at " + report.scheduling +
                        ", without real-time priority: " + report.reason;
    }
}

}  // namespace

struct ThreadScheduling::BrokerRequest {
    enum class Stage { Waiting, Calling, Done, Abandoned };

    std::mutex mutex;
    std::condition_variable changed;
    Stage stage = Stage::Waiting;
    SchedulingInputs inputs;
    pid_t tid = 0;
    int niceNow = 0;
    SchedulingReport report;

    static void Run(const std::shared_ptr<BrokerRequest>& self);
};

void ThreadScheduling::BrokerRequest::Run(const std::shared_ptr<BrokerRequest>& self) {
    SchedulingReport r;
    {
        RealtimeBroker broker(kBrokerTimeoutMs);
        SchedulingInputs in = self->inputs;
        in.brokerAsked = true;
        in.broker = broker.Limits();
        const SchedulingChoice c = ChooseScheduling(in);
        r = NiceReport(in.requested, self->niceNow,
                       in.broker ? c.reason : c.reason + " (" + broker.Problem() + ")");
        {
            const std::lock_guard<std::mutex> lock(self->mutex);
            if (self->stage == Stage::Abandoned) {
                return;  // the thread has ended; its id may already be another's
            }
            self->stage = Stage::Calling;
        }
        if (c.method == SchedulingMethod::Broker && GuardRealtimeThread(self->tid)) {
            // The broker grants real-time only to a process whose run time is limited.
            LimitRealtimeRunTime(c.rttimeSoftUs, c.rttimeHardUs);
            if (broker.MakeThreadRealtime(self->tid, c.rtPriority)) {
                r = {in.requested, SchedulingMethod::Broker,
                     "SCHED_RR " + std::to_string(c.rtPriority), ""};
            } else {
                UnguardRealtimeThread(self->tid);
                r.reason = "the real-time broker refused (" + broker.Problem() + ")";
            }
        }
        if (r.method == SchedulingMethod::Nice && in.broker && c.brokerNice < self->niceNow &&
            broker.MakeThreadHighPriority(self->tid, c.brokerNice)) {
            r.scheduling = "nice " + std::to_string(c.brokerNice);
        }
    }
    Publish(r, true);
    const std::lock_guard<std::mutex> lock(self->mutex);
    self->report = r;
    self->stage = Stage::Done;
    self->changed.notify_all();
}

ThreadScheduling::ThreadScheduling(ThreadPriority priority) : tid_(gettid()) {
    // Keying deadlines are sub-millisecond; the default 50 us timer slack would eat into that.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    SchedulingInputs in;
    in.requested = priority;
    in.rtprioLimit = RtprioLimit();
    in.privileged = HasCapSysNice();
    SchedulingChoice c = ChooseScheduling(in);
    if (c.method == SchedulingMethod::Direct) {
        if (GuardRealtimeThread(tid_)) {
            LimitRealtimeRunTime(c.rttimeSoftUs, c.rttimeHardUs);
            sched_param param{};
            param.sched_priority = c.rtPriority;
            // Reset on fork: a program started from this thread must not inherit real-time.
            if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0) {
                report_ = {priority, SchedulingMethod::Direct,
                           "SCHED_FIFO " + std::to_string(c.rtPriority), ""};
                Publish(report_, true);
                return;
            }
            in.directRefusal = std::strerror(errno);
            UnguardRealtimeThread(tid_);
        } else {
            in.directRefusal = "too many real-time threads";
        }
        c = ChooseScheduling(in);
    }
    const int niceNow = SetBestNice(c.nice);
    report_ = NiceReport(priority, niceNow, c.reason);
    if (c.method != SchedulingMethod::AskBroker) {
        Publish(report_, true);
        return;
    }
    report_.reason = "waiting for the real-time broker";
    auto request = std::make_shared<BrokerRequest>();
    request->inputs = in;
    request->tid = tid_;
    request->niceNow = niceNow;
    Publish(report_, false);
    try {
        std::thread([request] { BrokerRequest::Run(request); }).detach();
        questionForThisThread = request;
        request_ = std::move(request);
    } catch (const std::system_error& e) {
        report_.reason = std::string("no thread to ask the real-time broker: ") + e.what();
        Publish(report_, true);
    }
}

ThreadScheduling::~ThreadScheduling() {
    if (request_) {
        questionForThisThread.reset();
        std::unique_lock<std::mutex> lock(request_->mutex);
        if (request_->stage == BrokerRequest::Stage::Waiting) {
            request_->stage = BrokerRequest::Stage::Abandoned;
        } else {
            // Only while the broker is changing this very thread: its id must stay ours.
            request_->changed.wait_for(
                lock, std::chrono::milliseconds(kBrokerTimeoutMs + 100),
                [&] { return request_->stage == BrokerRequest::Stage::Done; });
        }
    }
    UnguardRealtimeThread(tid_);
}

SchedulingReport ThreadScheduling::Report() {
    if (!request_) {
        return report_;
    }
    std::unique_lock<std::mutex> lock(request_->mutex);
    const bool done =
        request_->changed.wait_for(lock, std::chrono::milliseconds(kBrokerTimeoutMs + 100),
                                   [&] { return request_->stage == BrokerRequest::Stage::Done; });
    return done ? request_->report : report_;
}

void AwaitRealtimeGrant(const std::atomic<int>& stop, int maxMs) {
    const std::shared_ptr<ThreadScheduling::BrokerRequest> request = questionForThisThread;
    if (!request) {
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    std::unique_lock<std::mutex> lock(request->mutex);
    // In short steps: the stop flag has no event of its own here.
    while (request->stage != ThreadScheduling::BrokerRequest::Stage::Done && stop.load() == 0 &&
           std::chrono::steady_clock::now() < giveUp) {
        request->changed.wait_for(lock, std::chrono::milliseconds(5));
    }
}

std::string SchedulingReport::Describe() const {
    return scheduling + (method == SchedulingMethod::Broker ? " from the real-time broker" : "");
}

std::thread StartThread(ThreadPriority priority, std::function<void()> body) {
    return std::thread([priority, body = std::move(body)] {
        const ThreadScheduling scheduling(priority);
        body();
    });
}

std::optional<SchedulingReport> LastRealtimeReport() {
    const std::lock_guard<std::mutex> lock(lastMutex);
    std::optional<SchedulingReport> report = lastReport;
    if (report && report->method != SchedulingMethod::Nice &&
        RealtimeDemotions() != demotionsAtLastReport) {
        report->reason = "put back to normal scheduling after running without a pause";
    }
    return report;
}

std::string TakeSchedulingNotice() {
    const std::lock_guard<std::mutex> lock(lastMutex);
    return std::exchange(pendingNotice, std::string());
}

}  // namespace tarnwick
