#include "support/RecordingNoticeSink.h"

namespace tarnwick::test {

std::vector<Notice> RecordingNoticeSink::Notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
}

void RecordingNoticeSink::Deliver(Notice notice) {
    {
        std::lock_guard lock(mutex_);
        notices_.push_back(
            Notice{notice.message, notice.wParam, notice.lParam, nullptr, notice.serial});
    }
    if (notice.reply && onSend) {
        onSend(notice);
    }
    notice.Acknowledge();
}

}  // namespace tarnwick::test
