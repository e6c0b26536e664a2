#include "trx/SendingDoneTimer.h"

#include <array>

#include "platform/TimeBase.h"

namespace tarnwick {

SendingDoneTimer::SendingDoneTimer(TimeBase& time) : time_(time) {
    thread_ = std::thread([this] { Run(); });
}

SendingDoneTimer::~SendingDoneTimer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        pending_ = false;
    }
    wake_.Set();
    thread_.join();
}

void SendingDoneTimer::SetHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void SendingDoneTimer::Schedule(int64_t dueNs, uint64_t tag) {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
        dueNs_ = dueNs;
        tag_ = tag;
    }
    wake_.Set();
}

void SendingDoneTimer::BringForward() {
    {
        std::lock_guard lock(mutex_);
        if (!pending_) {
            return;
        }
        dueNs_ = time_.NowNs();
    }
    wake_.Set();
}

void SendingDoneTimer::Cancel() {
    std::unique_lock lock(mutex_);
    pending_ = false;
    if (std::this_thread::get_id() != thread_.get_id()) {
        idle_.wait(lock, [this] { return !firing_; });
    }
}

bool SendingDoneTimer::IsPending() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

void SendingDoneTimer::Run() {
    const std::array<Event*, 1> events{&wake_};
    for (;;) {
        int64_t due = kForever;
        {
            std::lock_guard lock(mutex_);
            if (quit_) {
                return;
            }
            if (pending_) {
                due = dueNs_;
            }
        }
        // A Schedule between reading the state and waiting leaves wake_ set, so it is not lost.
        time_.WaitAny(events, due);
        Handler handler;
        uint64_t tag = 0;
        {
            std::lock_guard lock(mutex_);
            if (quit_) {
                return;
            }
            if (!pending_ || time_.NowNs() < dueNs_) {
                continue;
            }
            pending_ = false;
            handler = handler_;
            tag = tag_;
            firing_ = handler != nullptr;
        }
        if (handler) {
            handler(tag);
            {
                std::lock_guard lock(mutex_);
                firing_ = false;
            }
            idle_.notify_all();
        }
    }
}

}  // namespace tarnwick
