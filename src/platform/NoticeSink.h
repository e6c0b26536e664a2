#pragma once

#include <atomic>
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
// never leave its sender waiting. A sender that gave up waiting (a stop) withdraws the notice:
// a receiver that gets to it later must not act on it.
class NoticeReply {
public:
    // What the sender keeps: never the reply itself, so dropping the notice releases it.
    struct SenderSide {
        Event handled{ResetMode::Manual};
        std::atomic<bool> withdrawn{false};
    };

    NoticeReply() : sender_(std::make_shared<SenderSide>()) {}
    ~NoticeReply() { sender_->handled.Set(); }
    NoticeReply(const NoticeReply&) = delete;
    NoticeReply& operator=(const NoticeReply&) = delete;

    void Done() { sender_->handled.Set(); }
    bool Withdrawn() const { return sender_->withdrawn.load(); }
    std::shared_ptr<SenderSide> Sender() const { return sender_; }

private:
    std::shared_ptr<SenderSide> sender_;
};

struct Notice {
    uint32_t message = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    // Present only on a notice that was sent (not posted): the receiver calls reply->Done()
    // after handling it.
    std::shared_ptr<NoticeReply> reply;
    // The message it belongs to (the engine numbers its messages from 1); 0 for notices of no
    // message.
    uint64_t serial = 0;

    void Acknowledge() const {
        if (reply) {
            reply->Done();
        }
    }
    // The sender no longer waits for it: it was sent for a message that has been stopped.
    bool Withdrawn() const { return reply && reply->Withdrawn(); }
};

// Where the core's notices go: the operating window in the desktop program, the main loop of
// the command-line tool, a recorder in tests.
class NoticeSink {
public:
    virtual ~NoticeSink() = default;

    // Asynchronous; notices posted by one thread arrive in order.
    void Post(uint32_t message, int64_t wParam, int64_t lParam, uint64_t serial = 0);
    // Delivers the notice and waits until the receiver has handled it. Returns false without
    // waiting further when `cancel` is signalled first (a stop), so no wait here can deadlock
    // against a thread that is busy stopping the sender; the notice is then withdrawn.
    bool Send(uint32_t message, int64_t wParam, int64_t lParam, TimeBase& time, Event* cancel,
              uint64_t serial = 0);
    // Passes on a notice made elsewhere, reply and serial included: for sinks that relay.
    void Forward(Notice notice) { Deliver(std::move(notice)); }

protected:
    virtual void Deliver(Notice notice) = 0;
};

}  // namespace tarnwick
