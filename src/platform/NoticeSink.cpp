#include "platform/NoticeSink.h"

#include "platform/TimeBase.h"

namespace tarnwick {

void NoticeSink::Post(uint32_t message, int64_t wParam, int64_t lParam) {
    Deliver(Notice{message, wParam, lParam, nullptr});
}

bool NoticeSink::Send(uint32_t message, int64_t wParam, int64_t lParam, TimeBase& time,
                      Event* cancel) {
    auto reply = std::make_shared<NoticeReply>();
    // Keep our own reference: the receiver may drop its copy before we start waiting.
    std::shared_ptr<NoticeReply> keep = reply;
    Deliver(Notice{message, wParam, lParam, std::move(reply)});
    if (cancel == nullptr) {
        return time.WaitAnyForever({&keep->Handled()}) == 0;
    }
    return time.WaitAnyForever({&keep->Handled(), cancel}) == 0;
}

}  // namespace tarnwick
