#include "platform/Event.h"

#include <algorithm>

#include "platform/Waiter.h"

namespace tarnwick {

Event::Event(ResetMode mode, bool initiallySignalled)
    : mode_(mode), signalled_(initiallySignalled) {}

Event::~Event() = default;

void Event::Set() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    WakeWaitersLocked();
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
    armedDeadline_.reset();
}

void Event::ArmAt(int64_t deadlineNs, TimerAction /*action*/) {
    std::lock_guard lock(mutex_);
    armedDeadline_ = deadlineNs;
    // Waiters must recompute how long they may sleep.
    WakeWaitersLocked();
}

void Event::Disarm() {
    std::lock_guard lock(mutex_);
    armedDeadline_.reset();
}

bool Event::TryTake(int64_t nowNs, int64_t* nextDueNs) {
    std::lock_guard lock(mutex_);
    if (armedDeadline_ && nowNs >= *armedDeadline_) {
        armedDeadline_.reset();
        signalled_ = true;
    }
    if (signalled_) {
        if (mode_ == ResetMode::Auto) {
            signalled_ = false;
        }
        return true;
    }
    if (armedDeadline_ && nextDueNs != nullptr) {
        *nextDueNs = std::min(*nextDueNs, *armedDeadline_);
    }
    return false;
}

bool Event::IsSignalled(int64_t nowNs) {
    std::lock_guard lock(mutex_);
    return signalled_ || (armedDeadline_ && nowNs >= *armedDeadline_);
}

void Event::AddWaiter(Waiter* w) {
    std::lock_guard lock(mutex_);
    waiters_.push_back(w);
}

void Event::RemoveWaiter(Waiter* w) {
    std::lock_guard lock(mutex_);
    std::erase(waiters_, w);
}

void Event::WakeWaitersLocked() {
    for (Waiter* w : waiters_) {
        w->Notify();
    }
}

}  // namespace tarnwick
