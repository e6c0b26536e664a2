#pragma once

#include <functional>
#include <memory>

#include "platform/SoundDevices.h"
#include "ports/KeyEdgeTap.h"

namespace tarnwick {

// A tone on the sound card that follows the key, for the operator who types live CW. The
// keying records its edges in Tap() (hand it to TransmitEngine::SetKeyTap); a thread of the
// sidetone's own turns them into a shaped tone (SidetoneShaper) and plays it through ALSA in
// small periods, each edge placed at the sample its time gives, so elements keep their lengths
// and every edge comes late by the same small delay.
//
// Opening, writing and closing the device happen on that thread: a sound server that freezes
// holds only it, never the caller. A failure of the sound card never touches keying.
class Sidetone {
public:
    static constexpr unsigned kRate = 11025;
    // About 12 ms per period: what the tone trails the key by, several times over.
    static constexpr unsigned kPeriodFrames = 128;
    static constexpr double kRampMs = 5.0;
    static constexpr double kAmplitude = 8000.0;
    // Longest time Stop waits for the device to close.
    static constexpr unsigned kStopWaitMs = 50;

    Sidetone();
    // Stop.
    ~Sidetone();
    Sidetone(const Sidetone&) = delete;
    Sidetone& operator=(const Sidetone&) = delete;

    KeyEdgeTap& Tap() { return *tap_; }

    // Plays on `device` at `hz` (limited to the stored range), silent while the key is up,
    // until Stop; returns at once. `failed` is called on the sidetone's thread with the sound
    // error code (SoundCard::SoundErrorText) when the device cannot be opened or stops
    // working; never after Stop has returned. A running tone is stopped first.
    void Start(const SoundDeviceChoice& device, int hz, std::function<void(int)> failed = {});
    void SetPitch(int hz);
    // Ends the tone and closes the device, waiting at most kStopWaitMs: a device that takes
    // longer is left to close by itself.
    void Stop();
    bool IsRunning() const { return player_ != nullptr; }

private:
    class Player;

    std::shared_ptr<KeyEdgeTap> tap_;
    std::shared_ptr<Player> player_;
};

}  // namespace tarnwick
