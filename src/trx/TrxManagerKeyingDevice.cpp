#include "trx/TrxManagerKeyingDevice.h"

#include "platform/TimeBase.h"
#include "trx/TrxLinkThread.h"

namespace tarnwick {

TrxManagerKeyingDevice::TrxManagerKeyingDevice(std::shared_ptr<TrxLinkThread> link)
    : link_(std::move(link)) {}

void TrxManagerKeyingDevice::PttOn() {
    std::shared_ptr<TrxLinkCall> raise = link_->PttOn();
    std::lock_guard lock(mutex_);
    raise_ = std::move(raise);
    raisedSinceDrop_ = true;
}

bool TrxManagerKeyingDevice::PttOff() {
    // Sent whenever the daemon is connected, without first asking whether the radio answers: a
    // radio busy transmitting may miss that frequency read, and a missed answer must not leave
    // PTT up. Asked of the link unless the daemon confirmed a drop and nothing was raised
    // since; the link also takes back a raise queued behind a drop still waiting to be made.
    {
        std::lock_guard lock(mutex_);
        if (!raisedSinceDrop_ && drop_ && drop_->Succeeded()) {
            return true;
        }
    }
    const std::shared_ptr<TrxLinkCall> drop = link_->PttOff();
    bool waitedBefore = false;
    {
        std::lock_guard lock(mutex_);
        waitedBefore = drop == drop_;
        drop_ = drop;
        raisedSinceDrop_ = false;
    }
    if (waitedBefore) {
        // That drop is still on its way (a daemon that does not answer): waiting for it once
        // more would only hold the caller again.
        return drop->Succeeded();
    }
    return drop->Wait(kTrxPttDropWaitMs).value_or(false);
}

bool TrxManagerKeyingDevice::WaitPttUp(Event& stop) {
    std::shared_ptr<TrxLinkCall> raise;
    {
        std::lock_guard lock(mutex_);
        raise = raise_;
    }
    if (!raise) {
        return true;
    }
    raise->Wait(kTrxPttRaiseWaitMs, &stop);
    return !stop.IsSignalled(RealTime().NowNs());
}

void TrxManagerKeyingDevice::SendChar(char c, unsigned cwRate) {
    link_->SendChar(c, cwRate);
}

bool TrxManagerKeyingDevice::SendText(const std::string& text, unsigned cwRate,
                                      uint64_t reportTag) {
    link_->SendText(text, cwRate, reportTag);
    return true;
}

}  // namespace tarnwick
