#include "app/ViewNoticeSink.h"

#include <QCoreApplication>
#include <QEvent>

namespace tarnwick {

bool ViewNoticeSink::IsNoticeEvent(int eventType) {
    return eventType >= static_cast<int>(kFirstNoticeNumber) &&
           eventType <= static_cast<int>(kLastNoticeNumber);
}

void ViewNoticeSink::Deliver(Notice notice) {
    const uint32_t number = notice.message;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(notice));
        if (wakePosted_) {
            return;
        }
        wakePosted_ = true;
    }
    PostWake(number);
}

std::optional<Notice> ViewNoticeSink::Take() {
    std::optional<Notice> notice;
    uint32_t next = 0;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            wakePosted_ = false;
            return notice;
        }
        notice = std::move(queue_.front());
        queue_.pop_front();
        if (queue_.empty()) {
            wakePosted_ = false;
        } else {
            next = queue_.front().message;
        }
    }
    if (next != 0) {
        PostWake(next);
    }
    return notice;
}

void ViewNoticeSink::PostWake(uint32_t number) {
    // Qt makes the copy it posts (inside its own library), so the event never carries memory
    // this thread wrote.
    const QEvent wake(static_cast<QEvent::Type>(number));
    QCoreApplication::postEvent(&receiver_, wake.clone());
}

}  // namespace tarnwick
