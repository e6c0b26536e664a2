#include "ports/KeyingPortManager.h"

#include <cmath>

#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/TimeBase.h"
#include "ports/InhibitArmed.h"
#include "ports/KeyEdgeTap.h"
#include "ports/KeyingObserver.h"
#include "ports/SerialLines.h"

namespace tarnwick {

uint32_t TxDelayMs(double txDelaySeconds) {
    if (!(txDelaySeconds > 0)) {
        return 0;
    }
    return static_cast<uint32_t>(std::trunc(1000.0 * std::min(txDelaySeconds, kMaxTxDelaySeconds)));
}

KeyingPortManager::KeyingPortManager(const CTarnwickDoc& doc, NoticeSink& view, TimeBase& time,
                                     Devices devices)
    : view_(view), time_(time), keyIndicator_(doc.CWInd != 0), devices_(std::move(devices)) {}

KeyingPortManager::~KeyingPortManager() {
    // A drop that failed is not tried again here: the failure was reported, and a rig-control
    // daemon that does not answer would only be asked once more to no purpose.
    if (!dropMade_ || dropConfirmed_) {
        PttOff();
    }
    DestroyDevices();
    for (auto& port : devices_.ports) {
        port.reset();
    }
}

void KeyingPortManager::DestroyDevices() {
    devices_.cw.reset();
    devices_.ptt.reset();
    devices_.inhibit.reset();
}

void KeyingPortManager::PttOn() {
    if (pttUp_.load() != 0) {
        return;
    }
    {
        std::lock_guard lock(keyMutex_);
        silenced_ = false;
    }
    dropMade_ = false;
    dropConfirmed_ = false;
    if (devices_.ptt) {
        devices_.ptt->PttOn();
    }
    // Also when PTT goes to the rig-control program or nowhere: an inhibit input on a serial
    // or parallel port must still be able to stop the message.
    InhibitArmed.store(1);
    pttUp_.store(1);
    if (observer_ != nullptr) {
        observer_->OnPtt(true);
    }
}

bool KeyingPortManager::PttOff() {
    const bool ok = devices_.ptt ? devices_.ptt->PttOff() : true;
    pttUp_.store(0);
    dropMade_ = true;
    dropConfirmed_ = ok;
    if (observer_ != nullptr) {
        observer_->OnPtt(false);
    }
    return ok;
}

bool KeyingPortManager::WaitTxDelay(Event& stop, uint32_t delayMs) {
    if (devices_.ptt && !devices_.ptt->WaitPttUp(stop)) {
        return false;
    }
    return time_.WaitAnyFor({&stop}, delayMs) < 0;
}

bool KeyingPortManager::EnsurePttDown() {
    return dropMade_ && dropConfirmed_ ? true : PttOff();
}

bool KeyingPortManager::Silence() {
    {
        std::lock_guard lock(keyMutex_);
        silenced_ = true;
        KeyUpLocked();
    }
    return PttOff();
}

// The line first, the window's indicator after: posting takes locks that the window's thread
// (normal priority) also takes, and a real-time keying thread kept waiting for one of them
// must not move the edge.
void KeyingPortManager::KeyDown() {
    std::lock_guard lock(keyMutex_);
    if (silenced_) {
        return;
    }
    if (devices_.cw) {
        devices_.cw->KeyDown();
    }
    if (KeyEdgeTap* tap = keyTap_.load()) {
        tap->Record(true);
    }
    if (observer_ != nullptr) {
        observer_->OnKey(true);
    }
    if (keyIndicator_.load()) {
        view_.Post(kSendEventNotice, kEventKeyDown, 0);
    }
}

void KeyingPortManager::KeyUp() {
    std::lock_guard lock(keyMutex_);
    KeyUpLocked();
}

void KeyingPortManager::KeyUpLocked() {
    if (devices_.cw) {
        devices_.cw->KeyUp();
    }
    if (KeyEdgeTap* tap = keyTap_.load()) {
        tap->Record(false);
    }
    if (observer_ != nullptr) {
        observer_->OnKey(false);
    }
    if (keyIndicator_.load()) {
        view_.Post(kSendEventNotice, kEventKeyUp, 0);
    }
}

bool KeyingPortManager::SendText(const std::string& text, unsigned cwRate, uint64_t reportTag) {
    return devices_.cw && devices_.cw->SendText(text, cwRate, reportTag);
}

void KeyingPortManager::Notify(int64_t kind, int64_t value) {
    if (observer_ != nullptr && kind == kEventCharacter) {
        observer_->OnCharacter(static_cast<char>(value));
    }
    view_.Post(kSendEventNotice, kind, value);
}

}  // namespace tarnwick
