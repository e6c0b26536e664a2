#include "ports/KeyingPortManager.h"

#include <cmath>

#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/TimeBase.h"
#include "ports/InhibitArmed.h"
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
    : doc_(doc), view_(view), time_(time), devices_(std::move(devices)) {}

KeyingPortManager::~KeyingPortManager() {
    PttOff();
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
    time_.SleepMs(TxDelayMs(doc_.TXDelay));
}

void KeyingPortManager::PttOff() {
    if (devices_.ptt) {
        devices_.ptt->PttOff();
    }
    pttUp_.store(0);
    if (observer_ != nullptr) {
        observer_->OnPtt(false);
    }
}

// The line first, the window's indicator after: posting takes locks that the window's thread
// (normal priority) also takes, and a real-time keying thread kept waiting for one of them
// must not move the edge.
void KeyingPortManager::KeyDown() {
    if (devices_.cw) {
        devices_.cw->KeyDown();
    }
    if (observer_ != nullptr) {
        observer_->OnKey(true);
    }
    if (doc_.CWInd != 0) {
        view_.Post(kSendEventNotice, kEventKeyDown, 0);
    }
}

void KeyingPortManager::KeyUp() {
    if (devices_.cw) {
        devices_.cw->KeyUp();
    }
    if (observer_ != nullptr) {
        observer_->OnKey(false);
    }
    if (doc_.CWInd != 0) {
        view_.Post(kSendEventNotice, kEventKeyUp, 0);
    }
}

void KeyingPortManager::SendText(const std::string& text) {
    if (devices_.cw) {
        devices_.cw->SendText(text);
    }
}

void KeyingPortManager::Notify(int64_t kind, int64_t value) {
    if (observer_ != nullptr && kind == kEventCharacter) {
        observer_->OnCharacter(static_cast<char>(value));
    }
    view_.Post(kSendEventNotice, kind, value);
}

}  // namespace tarnwick
