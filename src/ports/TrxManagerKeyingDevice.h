#pragma once

#include <string>

#include "ports/KeyingDevice.h"

namespace tarnwick {

class TrxManagerLink;

// Hands PTT and CW text to the rig-control program, which keys the radio. Every operation first
// asks whether the radio answers; when it does not, the operation does nothing, except that
// PttOff drops PTT whenever the daemon is connected. The key operations do nothing: CW goes
// over one text run at a time.
class TrxManagerKeyingDevice : public KeyingDevice {
public:
    // The link belongs to the transmit engine and outlives the device.
    explicit TrxManagerKeyingDevice(TrxManagerLink& link) : link_(link) {}

    void PttOn() override;
    bool PttOff() override;
    void SendChar(char c) override;
    void SendText(const std::string& text) override;

private:
    TrxManagerLink& link_;
};

}  // namespace tarnwick
