#include "platform/RecursiveTryLock.h"

namespace tarnwick {

RecursiveTryLock::~RecursiveTryLock() {
    Release();
}

void RecursiveTryLock::EnterSpin() {
    while (spin_.exchange(1, std::memory_order_acquire) != 0) {
        std::this_thread::yield();
    }
}

void RecursiveTryLock::LeaveSpin() {
    spin_.exchange(0, std::memory_order_release);
}

bool RecursiveTryLock::TryAcquire() {
    const std::thread::id self = std::this_thread::get_id();
    EnterSpin();
    bool acquired = false;
    if (owner_ == std::thread::id{}) {
        owner_ = self;
        count_ = 1;
        acquired = true;
    } else if (owner_ == self) {
        ++count_;
        acquired = true;
    }
    LeaveSpin();
    return acquired;
}

bool RecursiveTryLock::Release() {
    const std::thread::id self = std::this_thread::get_id();
    EnterSpin();
    bool released = false;
    if (owner_ == self) {
        if (--count_ == 0) {
            owner_ = std::thread::id{};
        }
        released = true;
    }
    LeaveSpin();
    return released;
}

}  // namespace tarnwick
