#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "model/SettingsSchema.h"
#include "ports/KeyingDevice.h"

namespace tarnwick {

class CTarnwickDoc;
class Event;
class KeyEdgeTap;
class KeyingObserver;
class NoticeSink;
class SerialLines;
class TimeBase;

// A TX delay longer than kMaxTxDelaySeconds (the settings schema's) is taken as that (a
// hand-edited settings file); a negative or NaN delay as none.
uint32_t TxDelayMs(double txDelaySeconds);

// Owns the devices of one transmission and is the only thing the sending side talks to.
// PTT operations, Silence and destruction belong to the user-interface thread; key operations,
// the TX delay and the character notification to the keying thread. The document is read only
// when the manager is made (on the user-interface thread); the keying thread hands in the
// settings of its own snapshot.
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
    // Drops PTT (unless the last drop failed: that was reported), then destroys the CW, PTT and
    // inhibit devices in that order, then closes the serial ports.
    virtual ~KeyingPortManager();
    KeyingPortManager(const KeyingPortManager&) = delete;
    KeyingPortManager& operator=(const KeyingPortManager&) = delete;

    // Raises PTT unless it is up and arms the inhibit watchers. Returns at once: the TX delay
    // (TxDelayMs) is the caller's to wait, where a stop can end it.
    void PttOn();
    // Drops PTT whatever the flag says; false when the PTT device could not confirm the drop
    // (PTT may still be up).
    bool PttOff();
    // Waits for the PTT raise to reach the transmitter, then `delayMs` (the TX delay), on the
    // calling thread (the keying thread, never the user-interface thread); false when `stop`
    // ended it first.
    bool WaitTxDelay(Event& stop, uint32_t delayMs);
    // Whether key edges are also posted for the window's CW indicator (CWInd); set by the
    // keying thread for each run, taken from the document when the manager is made.
    void SetKeyIndicator(bool on) { keyIndicator_.store(on); }
    // PttOff, unless the last drop since PTT last rose was confirmed.
    bool EnsurePttDown();
    // For a stop, while the keying thread may still be keying: the key goes up and stays up
    // (KeyDown does nothing) until PTT next rises, then PTT drops. The result of the PTT drop.
    bool Silence();
    void KeyDown();
    void KeyUp();
    // Hands a text run to the CW device when it is an external keyer; false when nothing took
    // it (no report of its end will come).
    bool SendText(const std::string& text, unsigned cwRate, uint64_t reportTag);
    // Posts SendEventNotice of `kind` with `value` to the view.
    void Notify(int64_t kind, int64_t value);

    bool PttIsUp() const { return pttUp_.load() != 0; }
    // Sees every PTT change, key edge and character from now on (null: nobody).
    void SetObserver(KeyingObserver* observer) { observer_ = observer; }
    // Records every key edge from now on, with its time (null: none); may be changed while the
    // keying thread keys. The tap must stay until it is replaced or the manager goes.
    void SetKeyTap(KeyEdgeTap* tap) { keyTap_.store(tap); }

private:
    void DestroyDevices();
    void KeyUpLocked();

    NoticeSink& view_;
    TimeBase& time_;
    std::atomic<int> pttUp_{0};
    std::atomic<bool> keyIndicator_;
    // Since PTT last rose: whether a drop was made, and whether it was confirmed.
    bool dropMade_ = false;
    bool dropConfirmed_ = false;
    // Orders key edges against Silence, so no key-down can land after it.
    std::mutex keyMutex_;
    bool silenced_ = false;
    Devices devices_;
    KeyingObserver* observer_ = nullptr;
    std::atomic<KeyEdgeTap*> keyTap_{nullptr};
};

}  // namespace tarnwick
