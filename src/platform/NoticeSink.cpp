#include "platform/NoticeSink.h"

#include "platform/TimeBase.h"

namespace tarnwick {

void NoticeSink::Post(uint32_t message, int64_t wParam, int64_t lParam, uint64_t serial) {
    Deliver(Notice{message, wParam, lParam, nullptr, serial});
}

bool NoticeSink::Send(uint32_t message, int64_t wParam, int64_t lParam, TimeBase& time,
                      Event* cancel, uint64_t serial) {
    auto reply = std::make_shared<NoticeReply>();
    const std::shared_ptr<NoticeReply::SenderSide> sender = reply->Sender();
    Deliver(Notice{message, wParam, lParam, std::move(reply), serial});
    if (cancel == nullptr) {
        return time.WaitAnyForever({&sender->handled}) == 0;
    }
    if (time.WaitAnyForever({&sender->handled, cancel}) == 0) {
        return true;
    }
    sender->withdrawn.store(true);
    return false;
}

}  // namespace tarnwick
