#include "platform/VirtualTimeBase.h"

#include "platform/Waiter.h"

namespace tarnwick {

void VirtualTimeBase::AdvanceTo(int64_t ns) {
    int64_t cur = now_.load();
    while (cur < ns && !now_.compare_exchange_weak(cur, ns)) {
    }
}

int VirtualTimeBase::WaitAny(std::span<Event* const> events, int64_t deadlineNs) {
    Waiter waiter;
    for (Event* e : events) {
        e->AddWaiter(&waiter);
    }
    int result = -1;
    for (;;) {
        const int64_t now = NowNs();
        int64_t wake = deadlineNs;
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i]->TryTake(now, &wake)) {
                result = static_cast<int>(i);
                break;
            }
        }
        if (result >= 0 || now >= deadlineNs) {
            break;
        }
        if (wake != kForever) {
            AdvanceTo(wake);
            continue;
        }
        std::unique_lock lock(waiter.Mutex());
        if (!waiter.TakeNotified()) {
            waiter.Cv().wait(lock, [&] { return waiter.TakeNotified(); });
        }
    }
    for (Event* e : events) {
        e->RemoveWaiter(&waiter);
    }
    return result;
}

void VirtualTimeBase::SleepUntil(int64_t deadlineNs) {
    if (deadlineNs != kForever) {
        AdvanceTo(deadlineNs);
    }
}

}  // namespace tarnwick
