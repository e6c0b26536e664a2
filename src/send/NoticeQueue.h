#pragma once

#include <deque>
#include <mutex>
#include <optional>

#include "platform/Event.h"
#include "platform/NoticeSink.h"

namespace tarnwick {

class TimeBase;

// A notice sink that one thread drains: the message queue of a window-less main loop.
class NoticeQueue : public NoticeSink {
public:
    // The next notice, waiting up to `timeoutMs`; empty on time-out or when `wake` is
    // signalled first.
    std::optional<Notice> Next(TimeBase& time, uint32_t timeoutMs, Event* wake = nullptr);

protected:
    void Deliver(Notice notice) override;

private:
    std::mutex mutex_;
    std::deque<Notice> queue_;
    Event available_{ResetMode::Auto};
};

}  // namespace tarnwick
