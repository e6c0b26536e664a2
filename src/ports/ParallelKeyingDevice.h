#pragma once

#include <memory>

#include "ports/KeyingDevice.h"

namespace tarnwick {

class InhibitWatcher;
class NoticeSink;
class ParallelPort;

// The function a parallel device was built for: the cell of the port matrix it came from.
enum class ParallelFunction { Ptt, Cw, Inhibit };

// One function on the parallel port: PTT on pin 16, the CW key on pin 17, or the transmit
// inhibit on pin 15. Only the device built for the inhibit cell watches pin 15, so assigning
// PTT or CW to the port never makes its pin 15 stop a transmission.
class ParallelKeyingDevice : public KeyingDevice {
public:
    // The port outlives the device. A device that does not watch disarms the inhibit, as a
    // serial output device does.
    ParallelKeyingDevice(ParallelPort& port, ParallelFunction function, NoticeSink& view);
    // Stops the watcher; the port itself is not written.
    ~ParallelKeyingDevice() override;

    void PttOn() override;
    bool PttOff() override;
    void KeyDown() override;
    void KeyUp() override;

    bool IsWatching() const;

private:
    ParallelPort& port_;
    std::unique_ptr<InhibitWatcher> watcher_;
};

}  // namespace tarnwick
