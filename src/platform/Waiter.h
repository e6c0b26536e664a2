#pragma once

#include <condition_variable>
#include <mutex>

namespace tarnwick {

// One waiting thread's wake-up slot, registered with every event it waits for. Events lock
// their own mutex first and the waiter's second; a waiter never takes an event's lock while
// holding its own, so the two orders cannot deadlock.
class Waiter {
public:
    void Notify() {
        {
            std::lock_guard lock(mutex_);
            notified_ = true;
        }
        cv_.notify_one();
    }

    std::mutex& Mutex() { return mutex_; }
    std::condition_variable& Cv() { return cv_; }
    // Under Mutex(): true once since the last call if a Notify came in.
    bool TakeNotified() {
        const bool was = notified_;
        notified_ = false;
        return was;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool notified_ = false;
};

}  // namespace tarnwick
