#include "platform/NoticeSink.h"

#include "platform/TimeBase.h"

namespace tarnwick {

void NoticeSink::Post(uint32_t message, int64_t wParam, int64_t lParam) {
    Deliver(Notice{message, wParam, lParam, nullptr});
}

bool NoticeSink::Send(uint32_t message, int64_t wParam, int64_t lParam, TimeBase& time,
                      Event* cancel) {
    auto reply = std::make_shared<NoticeReply>();
    const std::shared_ptr<Event> handled = reply->HandledEvent();
    Deliver(Notice{message, wParam, lParam, std::move(reply)});
    if (cancel == nullptr) {
        return time.WaitAnyForever({handled.get()}) == 0;
    }
    return time.WaitAnyForever({handled.get(), cancel}) == 0;
}

}  // namespace tarnwick
