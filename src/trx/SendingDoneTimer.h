#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/Event.h"

namespace tarnwick {

class TimeBase;

// Calls a handler once, on its own thread, when a scheduled moment has come: the link's
// end-of-sending report, with the tag it was scheduled with. One report is pending at most; a
// new one replaces it.
class SendingDoneTimer {
public:
    explicit SendingDoneTimer(TimeBase& time);
    // Cancels a pending report without calling it.
    ~SendingDoneTimer();
    SendingDoneTimer(const SendingDoneTimer&) = delete;
    SendingDoneTimer& operator=(const SendingDoneTimer&) = delete;

    using Handler = std::function<void(uint64_t tag)>;

    void SetHandler(Handler handler);
    // Reports `tag` at `dueNs` on the TimeBase's clock, replacing a pending report.
    void Schedule(int64_t dueNs, uint64_t tag);
    // A pending report is made at once (still from the timer's thread).
    void BringForward();
    // Drops a pending report. When a report is being made on another thread, waits until it is
    // over, so that nothing is reported after Cancel returns.
    void Cancel();
    bool IsPending() const;

private:
    void Run();

    TimeBase& time_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    Handler handler_;
    bool pending_ = false;
    int64_t dueNs_ = 0;
    uint64_t tag_ = 0;
    bool firing_ = false;
    bool quit_ = false;
    Event wake_{ResetMode::Auto};
    std::thread thread_;
};

}  // namespace tarnwick
