#include "keyer/TxWatchdog.h"

namespace tarnwick {

bool TxWatchdog::Expired(int64_t nowNs, int limitMinutes) const {
    if (limitMinutes <= 0) {
        return false;
    }
    constexpr int64_t kNsPerMinute = int64_t{60} * 1'000'000'000;
    return nowNs - lastTouchNs_ >= int64_t{limitMinutes} * kNsPerMinute;
}

std::string TxWatchdog::StoppedMessage(int limitMinutes, const std::string& utcTimeOfDay) {
    const std::string minutes =
        std::to_string(limitMinutes) + (limitMinutes == 1 ? " minute" : " minutes");
    return "TX watchdog: Auto switched off at " + utcTimeOfDay + " UTC after " + minutes +
           " without the operator";
}

}  // namespace tarnwick
