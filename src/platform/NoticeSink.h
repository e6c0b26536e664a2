#pragma once

#include <cstdint>
#include <memory>

#include "platform/Event.h"

namespace tarnwick {

class TimeBase;

// The keyer's window messages, with their fixed numbers.
inline constexpr uint32_t kSendDoneNotice = 0x7E9;
inline constexpr uint32_t kSendEventNotice = 0x7EA;
inline constexpr uint32_t kManualSendWake = 0x7EB;
inline constexpr uint32_t kManualSendIdle = 0x7EC;

// SendEventNotice kinds (wParam).
inline constexpr int64_t kEventKeyUp = 0;
inline constexpr int64_t kEventKeyDown = 1;
inline constexpr int64_t kEventCharacter = 2;
inline constexpr int64_t kEventPttRequest = 3;
inline constexpr int64_t kEventTrxText = 4;

// SendDoneNotice reasons (lParam).
inline constexpr int64_t kDoneCompleted = 0;
inline constexpr int64_t kDoneFailed = 1;
inline constexpr int64_t kDoneInhibit = 2;

// The acknowledgement of a sent notice. It is signalled when the receiver calls Done() or lets
// the last copy of the notice go, so a notice dropped on the way (a receiver shutting down) can
// never leave its sender waiting.
class NoticeReply {
public:
    NoticeReply() : handled_(std::make_shared<Event>(ResetMode::Manual)) {}
    ~NoticeReply() { handled_->Set(); }
    NoticeReply(const NoticeReply&) = delete;
    NoticeReply& operator=(const NoticeReply&) = delete;

    void Done() { handled_->Set(); }
    // The sender holds only this, never the reply itself, so dropping the notice releases it.
    std::shared_ptr<Event> HandledEvent() const { return handled_; }

private:
    std::shared_ptr<Event> handled_;
};

struct Notice {
    uint32_t message = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    // Present only on a notice that was sent (not posted): the receiver calls reply->Done()
    // after handling it.
    std::shared_ptr<NoticeReply> reply;

    void Acknowledge() const {
        if (reply) {
            reply->Done();
        }
    }
};

// Where the core's notices go: the operating window in the desktop program, the main loop of
// the command-line tool, a recorder in tests.
class NoticeSink {
public:
    virtual ~NoticeSink() = default;

    // Asynchronous; notices posted by one thread arrive in order.
    void Post(uint32_t message, int64_t wParam, int64_t lParam);
    // Delivers the notice and waits until the receiver has handled it. Returns false without
    // waiting further when `cancel` is signalled first (a stop), so no wait here can deadlock
    // against a thread that is busy stopping the sender.
    bool Send(uint32_t message, int64_t wParam, int64_t lParam, TimeBase& time, Event* cancel);

protected:
    virtual void Deliver(Notice notice) = 0;
};

}  // namespace tarnwick
