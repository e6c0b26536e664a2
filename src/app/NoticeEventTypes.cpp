#include "app/NoticeEventTypes.h"

#include <QEvent>

#include "platform/NoticeSink.h"
#include "send/ManualSender.h"

namespace tarnwick {

bool RegisterNoticeEventTypes() {
    static const bool registered = [] {
        bool ok = true;
        for (const uint32_t number : {kSendDoneNotice, kSendEventNotice, kManualSendWake,
                                      kManualSendIdle, kManualSendSent, kManualSendEnded}) {
            ok = QEvent::registerEventType(static_cast<int>(number)) == static_cast<int>(number) &&
                 ok;
        }
        return ok;
    }();
    return registered;
}

}  // namespace tarnwick
