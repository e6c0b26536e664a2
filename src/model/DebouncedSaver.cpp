#include "model/DebouncedSaver.h"

#include <algorithm>
#include <utility>

#include "platform/TimeBase.h"

namespace tarnwick {

DebouncedSaver::DebouncedSaver(TimeBase& time, std::function<bool()> save)
    : time_(time), save_(std::move(save)) {}

void DebouncedSaver::Changed() {
    const int64_t now = time_.NowNs();
    if (!pending_) {
        pending_ = true;
        firstChangeNs_ = now;
        retryNs_ = 0;
    }
    lastChangeNs_ = now;
}

bool DebouncedSaver::SaveNow() {
    return RunSave();
}

bool DebouncedSaver::Poll() {
    if (!pending_ || time_.NowNs() < DueNs()) {
        return true;
    }
    return RunSave();
}

int64_t DebouncedSaver::DueNs() const {
    const int64_t due = std::min(lastChangeNs_ + kQuietNs, firstChangeNs_ + kLongestDelayNs);
    return std::max(due, retryNs_);
}

int64_t DebouncedSaver::NsUntilDue() const {
    if (!pending_) {
        return -1;
    }
    return std::max<int64_t>(0, DueNs() - time_.NowNs());
}

bool DebouncedSaver::RunSave() {
    const bool ok = save_();
    lastFailed_ = !ok;
    if (ok) {
        pending_ = false;
        retryNs_ = 0;
        return true;
    }
    // Still not on disk: keep it pending, but do not hammer a full or read-only disk.
    const int64_t now = time_.NowNs();
    if (!pending_) {
        pending_ = true;
        firstChangeNs_ = now;
        lastChangeNs_ = now;
    }
    retryNs_ = now + kRetryNs;
    return false;
}

}  // namespace tarnwick
