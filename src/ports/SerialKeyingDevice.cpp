#include "ports/SerialKeyingDevice.h"

#include "ports/InhibitArmed.h"
#include "ports/InhibitWatcher.h"
#include "ports/PortSettings.h"
#include "ports/SerialLines.h"

namespace tarnwick {

namespace {

bool IsInhibitValue(int value) {
    return value == kSerialCts || value == kSerialDsr;
}

}  // namespace

SerialKeyingDevice::SerialKeyingDevice(std::shared_ptr<SerialLines> lines, int value,
                                       NoticeSink& view)
    : lines_(std::move(lines)), value_(value) {
    if (IsInhibitValue(value_)) {
        watcher_ = std::make_unique<InhibitWatcher>(view, [this] { return InhibitOn(); });
        return;
    }
    Drop();
    InhibitArmed.store(0);
}

SerialKeyingDevice::~SerialKeyingDevice() = default;

bool SerialKeyingDevice::IsWatching() const {
    return watcher_ && watcher_->IsWatching();
}

void SerialKeyingDevice::PttOn() {
    InhibitArmed.store(1);
    Raise();
}

bool SerialKeyingDevice::PttOff() {
    return Drop();
}

void SerialKeyingDevice::KeyDown() {
    Raise();
}

void SerialKeyingDevice::KeyUp() {
    Drop();
}

// With both lines, DTR moves first in either direction.
void SerialKeyingDevice::Raise() {
    if (!lines_) {
        return;
    }
    if (value_ == kSerialDtr || value_ == kSerialBoth) {
        lines_->SetDtr();
    }
    if (value_ == kSerialRts || value_ == kSerialBoth) {
        lines_->SetRts();
    }
}

bool SerialKeyingDevice::Drop() {
    if (!lines_) {
        return true;  // no port, so nothing was ever raised
    }
    bool ok = true;
    if (value_ == kSerialDtr || value_ == kSerialBoth) {
        ok = lines_->ClearDtr() && ok;
    }
    if (value_ == kSerialRts || value_ == kSerialBoth) {
        ok = lines_->ClearRts() && ok;
    }
    return ok;
}

bool SerialKeyingDevice::InhibitOn() const {
    if (!lines_) {
        return false;
    }
    // A status that cannot be read counts as no input.
    const auto status = lines_->ModemStatus();
    if (!status) {
        return false;
    }
    const uint32_t bit = value_ == kSerialCts ? kModemCtsOn : kModemDsrOn;
    return (*status & bit) != 0;
}

}  // namespace tarnwick
