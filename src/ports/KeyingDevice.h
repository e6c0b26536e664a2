#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class Event;

// One function of the transmitter (PTT, CW key or transmit inhibit) on one port. Every device
// implements all operations; those that do not fit its function or kind do nothing.
class KeyingDevice {
public:
    virtual ~KeyingDevice() = default;
    virtual void PttOn() {}
    // False when the device could not confirm that PTT dropped (it may still be up).
    virtual bool PttOff() { return true; }
    // On the keying thread, after PttOn: waits until the raise has reached the transmitter
    // (a device that hands PTT to another program) or has been given up; false when `stop`
    // came first. The TX delay is counted from here.
    virtual bool WaitPttUp(Event& /*stop*/) { return true; }
    virtual void KeyDown() {}
    virtual void KeyUp() {}
    // Hands one character or a text run to an external keyer, at `cwRate` words per minute.
    // SendText answers whether the text was taken; its end of sending is then reported with
    // `reportTag` by whoever keys it.
    virtual void SendChar(char /*c*/, unsigned /*cwRate*/) {}
    virtual bool SendText(const std::string& /*text*/, unsigned /*cwRate*/,
                          uint64_t /*reportTag*/) {
        return false;
    }
};

}  // namespace tarnwick
