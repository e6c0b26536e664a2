#pragma once

#include <deque>
#include <mutex>
#include <optional>

#include "platform/NoticeSink.h"

class QObject;

namespace tarnwick {

// The keyer's notices for the window's thread: each arrives there as a posted event whose type
// is the notice's number, and the receiver's event() takes the notice with Take(). The notice
// itself stays in this sink's queue, under its lock: the thread sanitizer cannot see the locks
// of Qt's event queue, so nothing of ours crosses threads inside it, and Qt allocates the event
// itself (QEvent::clone).
//
// One wake event is outstanding while notices wait: every Take() posts the next one before it
// returns a notice, so a modal box opened while handling it (a nested event loop) still gets
// the notices that follow.
class ViewNoticeSink : public NoticeSink {
public:
    explicit ViewNoticeSink(QObject& receiver) : receiver_(receiver) {}

    // Whether `eventType` is one of the keyer's notice numbers.
    static bool IsNoticeEvent(int eventType);

    // The oldest waiting notice, or nothing (a wake event can outlive the notices it was for).
    std::optional<Notice> Take();

protected:
    void Deliver(Notice notice) override;

private:
    void PostWake(uint32_t number);

    QObject& receiver_;
    std::mutex mutex_;
    std::deque<Notice> queue_;
    bool wakePosted_ = false;
};

}  // namespace tarnwick
