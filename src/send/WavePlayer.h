#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/SoundDevices.h"

namespace tarnwick {

class Event;
class Prompter;
class TimeBase;

// Plays one PCM WAV file, read whole into memory, as a single buffer on a sound output device.
// Play and WaitDone run on the engine's worker; Stop may come from another thread at any time.
// The device itself is driven by a thread of each playback (WavePlayback), so a sound server
// that stops answering never holds the caller of Stop, and holds Play and WaitDone only until a
// stop.
class WavePlayer {
public:
    // How long WaitDone waits for the end of playback.
    static constexpr uint32_t kWaitDoneMs = 30000;
    // Longest file name a message may give.
    static constexpr size_t kMaxFileName = 127;
    // The longest Stop, WaitDone or the destructor wait for the device to close; one that takes
    // longer (a frozen sound server) closes by itself later.
    static constexpr uint32_t kCloseWaitMs = 50;
    // The PCM name that plays device number `device`.
    using DeviceNamer = std::function<std::string(int device)>;

    // Plays on the operator's output devices (SoundDevices).
    WavePlayer(Prompter& prompter, TimeBase& time);
    // Plays on the PCMs `namer` names, for rigs whose devices are not in the operator's list.
    WavePlayer(Prompter& prompter, TimeBase& time, DeviceNamer namer);
    virtual ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Loads `fileName` (relative names from the working directory) and starts playback on
    // the chosen output `device` (number -1 = the system default). Returns once playback has
    // started. On failure the system's message has been shown through the prompter (a box that
    // `stop`, when signalled, closes) and the device is closed. `stop` (manual-reset, the caller's
    // stop) ends the playback like Stop, also when it was signalled before Play: then nothing
    // plays, and Play fails without a message.
    bool Play(const std::string& fileName, const SoundDeviceChoice& device, Event* stop = nullptr);
    // Waits up to 30 s for the end of playback or a stop; both close the device and succeed.
    // A time-out fails and leaves the device open. A device that failed during playback is
    // closed and fails too, so a broken transmission is never reported as sent.
    bool WaitDone();
    // Ends playback at once; safe when idle (it then does nothing) and from any thread.
    void Stop();

    // True from a successful Play until WaitDone or Stop closes the device.
    bool IsOpen() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tarnwick
