#pragma once

#include <memory>
#include <string>

namespace tarnwick {

class Event;
class Prompter;
class TimeBase;

// Plays one PCM WAV file, read whole into memory, as a single buffer on a sound output device.
// Play and WaitDone run on the engine's worker; Stop may come from another thread at any time.
class WavePlayer {
public:
    WavePlayer(Prompter& prompter, TimeBase& time);
    virtual ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Loads `fileName` (relative names from the working directory) and starts playback on
    // output `device` (-1 = the system default). Returns at once. On failure the system's
    // message has been shown through the prompter (a box that `cancel`, when signalled, closes)
    // and the device is closed.
    bool Play(const std::string& fileName, int device, Event* cancel = nullptr);
    // Waits up to 30 s for the end of playback or a Stop; both close the device and succeed.
    // A time-out fails and leaves the device open.
    bool WaitDone();
    // Ends playback at once; safe when idle and from any thread.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tarnwick
