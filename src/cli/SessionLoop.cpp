#include "cli/SessionLoop.h"

#include <algorithm>

#include "keyer/KeyerSession.h"
#include "keyer/UtcClock.h"
#include "platform/TimeBase.h"

namespace tarnwick::cli {

namespace {

// Without ticks the loop only waits for notices; the stop event wakes it at once anyway.
constexpr uint32_t kIdleWaitMs = 1000;

}  // namespace

bool SessionLoop::Run(KeyerSession& session, Event& stop, bool ticking,
                      const std::function<bool()>& done) {
    const auto nextTickNs = [&] {
        return clock_.NowNs() + int64_t{session.MsUntilNextTick()} * kNsPerMs;
    };
    int64_t tickDueNs = nextTickNs();
    for (;;) {
        if (stop.IsSignalled(time_.NowNs())) {
            return false;
        }
        uint32_t waitMs = kIdleWaitMs;
        if (ticking) {
            const int64_t leftNs = tickDueNs - clock_.NowNs();
            if (leftNs <= 0) {
                session.ClockTick();
                tickDueNs = nextTickNs();
                if (done()) {
                    return true;
                }
                continue;
            }
            waitMs = static_cast<uint32_t>(
                std::min<int64_t>((leftNs + kNsPerMs - 1) / kNsPerMs, kIdleWaitMs));
        }
        if (const std::optional<Notice> notice = queue_.Next(time_, waitMs, &stop)) {
            session.HandleNotice(*notice);
            if (done()) {
                return true;
            }
        }
    }
}

void SessionLoop::Drain(KeyerSession& session) {
    while (const std::optional<Notice> notice = queue_.Next(time_, 0)) {
        session.HandleNotice(*notice);
    }
}

}  // namespace tarnwick::cli
