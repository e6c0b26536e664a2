#include "send/NoticeQueue.h"

#include "platform/TimeBase.h"

namespace tarnwick {

namespace {

bool DisplayOnly(const Notice& n) {
    return n.message == kSendEventNotice &&
           (n.wParam == kEventKeyUp || n.wParam == kEventKeyDown || n.wParam == kEventCharacter);
}

}  // namespace

void NoticeQueue::Deliver(Notice notice) {
    {
        std::lock_guard lock(mutex_);
        if (DisplayOnly(notice)) {
            if (displayQueued_ >= kMaxDisplayNotices) {
                return;
            }
            ++displayQueued_;
        }
        queue_.push_back(std::move(notice));
    }
    available_.Set();
}

std::optional<Notice> NoticeQueue::Next(TimeBase& time, uint32_t timeoutMs, Event* wake) {
    const int64_t deadline = time.NowNs() + static_cast<int64_t>(timeoutMs) * kNsPerMs;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                Notice n = std::move(queue_.front());
                queue_.pop_front();
                if (DisplayOnly(n)) {
                    --displayQueued_;
                }
                return n;
            }
        }
        Event* events[] = {&available_, wake};
        const int woke = time.WaitAny(std::span<Event* const>(events, wake ? 2 : 1), deadline);
        if (woke != 0) {
            return std::nullopt;
        }
    }
}

}  // namespace tarnwick
