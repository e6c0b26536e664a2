#pragma once

#include <deque>
#include <mutex>
#include <optional>

#include "platform/Event.h"
#include "platform/NoticeSink.h"

namespace tarnwick {

class TimeBase;

// A notice sink that one thread drains: the message queue of a window-less main loop.
// Key and character notices only feed a display; when the reader falls this far behind, further
// ones are dropped rather than queued without limit (a message whose body takes no time can
// produce them faster than any reader). Everything else is always queued.
class NoticeQueue : public NoticeSink {
public:
    static constexpr size_t kMaxDisplayNotices = 4096;

    // The next notice, waiting up to `timeoutMs`; empty on time-out or when `wake` is
    // signalled first.
    std::optional<Notice> Next(TimeBase& time, uint32_t timeoutMs, Event* wake = nullptr);

protected:
    void Deliver(Notice notice) override;

private:
    std::mutex mutex_;
    std::deque<Notice> queue_;
    size_t displayQueued_ = 0;
    Event available_{ResetMode::Auto};
};

}  // namespace tarnwick
