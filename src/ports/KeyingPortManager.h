#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "model/SettingsSchema.h"
#include "ports/KeyingDevice.h"

namespace tarnwick {

class CTarnwickDoc;
class KeyingObserver;
class NoticeSink;
class SerialLines;
class TimeBase;

// A TX delay longer than kMaxTxDelaySeconds (the settings schema's) is taken as that (a
// hand-edited settings file); a negative or NaN delay as none.
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
        // The open serial ports of serial lines 1..3 (null when not open), shared with the
        // devices on them. Closed, with their lines dropped, after the devices are gone.
        std::array<std::shared_ptr<SerialLines>, 3> ports;
    };

    KeyingPortManager(const CTarnwickDoc& doc, NoticeSink& view, TimeBase& time, Devices devices);
    // Drops PTT, then destroys the CW, PTT and inhibit devices in that order, then closes the
    // serial ports.
    virtual ~KeyingPortManager();
    KeyingPortManager(const KeyingPortManager&) = delete;
    KeyingPortManager& operator=(const KeyingPortManager&) = delete;

    // Raises PTT unless it is up, arms the inhibit watchers, then holds the caller for the TX
    // delay.
    void PttOn();
    // Drops PTT whatever the flag says.
    void PttOff();
    void KeyDown();
    void KeyUp();
    void SendText(const std::string& text);
    // Posts SendEventNotice of `kind` with `value` to the view.
    void Notify(int64_t kind, int64_t value);

    bool PttIsUp() const { return pttUp_.load() != 0; }
    // Sees every PTT change, key edge and character from now on (null: nobody).
    void SetObserver(KeyingObserver* observer) { observer_ = observer; }

private:
    void DestroyDevices();

    const CTarnwickDoc& doc_;
    NoticeSink& view_;
    TimeBase& time_;
    std::atomic<int> pttUp_{0};
    Devices devices_;
    KeyingObserver* observer_ = nullptr;
};

}  // namespace tarnwick
