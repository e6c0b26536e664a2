#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/NoticeSink.h"
#include "support/RecordingNoticeSink.h"

namespace tarnwick::test {

// Polls `done` until it holds or `timeoutMs` passed; true when it held.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The inhibit notices (SendDoneNotice with the inhibit reason) the view received.
inline int InhibitNotices(const RecordingNoticeSink& view) {
    int n = 0;
    for (const Notice& notice : view.Notices()) {
        n +=
            notice.message == kSendDoneNotice && notice.wParam == 0 && notice.lParam == kDoneInhibit
                ? 1
                : 0;
    }
    return n;
}

inline int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

}  // namespace tarnwick::test
