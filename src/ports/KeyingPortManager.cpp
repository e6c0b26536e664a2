#include "ports/KeyingPortManager.h"

#include <cmath>

#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/TimeBase.h"

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
    pttUp_.store(1);
    time_.SleepMs(TxDelayMs(doc_.TXDelay));
}

void KeyingPortManager::PttOff() {
    if (devices_.ptt) {
        devices_.ptt->PttOff();
    }
    pttUp_.store(0);
}

void KeyingPortManager::KeyDown() {
    if (doc_.CWInd != 0) {
        view_.Post(kSendEventNotice, kEventKeyDown, 0);
    }
    if (devices_.cw) {
        devices_.cw->KeyDown();
    }
}

void KeyingPortManager::KeyUp() {
    if (doc_.CWInd != 0) {
        view_.Post(kSendEventNotice, kEventKeyUp, 0);
    }
    if (devices_.cw) {
        devices_.cw->KeyUp();
    }
}

void KeyingPortManager::SendText(const std::string& text) {
    if (devices_.cw) {
        devices_.cw->SendText(text);
    }
}

void KeyingPortManager::Notify(int64_t kind, int64_t value) {
    view_.Post(kSendEventNotice, kind, value);
}

}  // namespace tarnwick
