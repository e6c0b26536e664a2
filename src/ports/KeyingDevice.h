#pragma once

#include <string>

namespace tarnwick {

// One function of the transmitter (PTT, CW key or transmit inhibit) on one port. Every device
// implements all operations; those that do not fit its function or kind do nothing.
class KeyingDevice {
public:
    virtual ~KeyingDevice() = default;
    virtual void PttOn() {}
    // False when the device could not confirm that PTT dropped (it may still be up).
    virtual bool PttOff() { return true; }
    virtual void KeyDown() {}
    virtual void KeyUp() {}
    // Hands one character or a text run to an external keyer.
    virtual void SendChar(char /*c*/) {}
    virtual void SendText(const std::string& /*text*/) {}
};

}  // namespace tarnwick
