#pragma once

#include <memory>

#include "ports/KeyingDevice.h"

namespace tarnwick {

class InhibitWatcher;
class NoticeSink;
class SerialLines;

// One function on a serial port: RTS, DTR or both lines out (values 1, 2, 3) for PTT or CW, or
// CTS or DSR in (values 4, 5) for the transmit inhibit. The port is shared with the other
// devices on it; without one (the port did not open) the device does nothing.
class SerialKeyingDevice : public KeyingDevice {
public:
    // Output values drop their lines at once and disarm the inhibit; input values start the
    // inhibit watcher.
    SerialKeyingDevice(std::shared_ptr<SerialLines> lines, int value, NoticeSink& view);
    ~SerialKeyingDevice() override;

    void PttOn() override;
    bool PttOff() override;
    void KeyDown() override;
    void KeyUp() override;

    bool IsWatching() const;

private:
    void Raise();
    // False when the port refused a change.
    bool Drop();
    bool InhibitOn() const;

    std::shared_ptr<SerialLines> lines_;
    const int value_;
    std::unique_ptr<InhibitWatcher> watcher_;
};

}  // namespace tarnwick
