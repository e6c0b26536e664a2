#include "support/EngineDriver.h"

#include "platform/TimeBase.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"

namespace tarnwick::test {

namespace {

constexpr uint32_t kPollMs = 200;

}  // namespace

std::optional<SendOutcome> EngineDriver::Handle(const Notice& notice) {
    if (notice.message == kTrxLinkNotice) {
        // Not of any message: the rig-control link's boxes or its failed connection.
        engine_.HandleTrxLinkNotice();
        return std::nullopt;
    }
    if (!engine_.IsCurrent(notice)) {
        // A PTT request of an earlier message is answered without touching PTT.
        notice.Acknowledge();
        return std::nullopt;
    }
    if (notice.message == kSendEventNotice) {
        if (notice.wParam == kEventPttRequest) {
            if (notice.lParam != 0) {
                engine_.PttOn();
            } else {
                engine_.PttOff();
            }
        } else if (notice.wParam == kEventTrxText) {
            engine_.PushTrxText();
        }
    }
    notice.Acknowledge();
    if (observer) {
        observer(notice);
    }
    if (notice.message != kSendDoneNotice) {
        return std::nullopt;
    }
    if (notice.lParam == kDoneInhibit) {
        engine_.Stop();
    }
    pttDown_ = engine_.ReleaseDevices();
    return notice.lParam == kDoneCompleted ? SendOutcome::Completed
           : notice.lParam == kDoneInhibit ? SendOutcome::Inhibited
                                           : SendOutcome::Failed;
}

SendOutcome EngineDriver::RunUntilDone(Event* stop) {
    for (;;) {
        if (stop != nullptr && stop->IsSignalled(time_.NowNs())) {
            engine_.Stop();
            pttDown_ = engine_.ReleaseDevices();
            return SendOutcome::Stopped;
        }
        if (const std::optional<Notice> notice = queue_.Next(time_, kPollMs, stop)) {
            if (const std::optional<SendOutcome> outcome = Handle(*notice)) {
                return *outcome;
            }
        }
    }
}

}  // namespace tarnwick::test
