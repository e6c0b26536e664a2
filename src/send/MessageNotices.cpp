#include "send/MessageNotices.h"

namespace tarnwick {

bool MessageNotices::ClaimEnd(uint64_t serial) {
    uint64_t claimed = endClaimed_.load();
    while (claimed < serial) {
        if (endClaimed_.compare_exchange_weak(claimed, serial)) {
            return true;
        }
    }
    return false;
}

void MessageNotices::Deliver(Notice notice) {
    notice.serial = serial_.load();
    if (notice.message == kSendDoneNotice && !ClaimEnd(notice.serial)) {
        return;
    }
    view_.Forward(std::move(notice));
}

}  // namespace tarnwick
