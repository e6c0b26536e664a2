#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "ports/KeyingDevice.h"

namespace tarnwick {

class CTarnwickDoc;
class NoticeSink;
class TimeBase;

// A TX delay longer than this is taken as this (a hand-edited settings file); a negative or NaN
// delay as none.
inline constexpr double kMaxTxDelaySeconds = 60.0;
uint32_t TxDelayMs(double txDelaySeconds);

// Owns the devices of one transmission and is the only thing the sending side talks to.
// PTT operations and destruction belong to the user-interface thread; key operations and the
// character notification to the keying thread.
class KeyingPortManager {
public:
    struct Devices {
        std::unique_ptr<KeyingDevice> cw;
        std::unique_ptr<KeyingDevice> ptt;
        std::unique_ptr<KeyingDevice> inhibit;
    };

    KeyingPortManager(const CTarnwickDoc& doc, NoticeSink& view, TimeBase& time, Devices devices);
    // Drops PTT, then destroys the CW, PTT and inhibit devices in that order.
    virtual ~KeyingPortManager();
    KeyingPortManager(const KeyingPortManager&) = delete;
    KeyingPortManager& operator=(const KeyingPortManager&) = delete;

    // Raises PTT unless it is up, then holds the caller for the TX delay.
    void PttOn();
    // Drops PTT whatever the flag says.
    void PttOff();
    void KeyDown();
    void KeyUp();
    void SendText(const std::string& text);
    // Posts SendEventNotice of `kind` with `value` to the view.
    void Notify(int64_t kind, int64_t value);

    bool PttIsUp() const { return pttUp_.load() != 0; }

protected:
    // For the port builder, which closes its ports after the devices are gone.
    void DestroyDevices();

private:
    const CTarnwickDoc& doc_;
    NoticeSink& view_;
    TimeBase& time_;
    std::atomic<int> pttUp_{0};
    Devices devices_;
};

}  // namespace tarnwick
