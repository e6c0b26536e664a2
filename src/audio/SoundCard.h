#pragma once

#include <memory>
#include <string>

#include "platform/SoundDevices.h"
#include "platform/WaveFormat.h"

namespace tarnwick {

class Prompter;
class TimeBase;

// One direction (capture or playback) of a sound device as a blocking stream of samples held as
// doubles on the 16-bit scale. Each direction cycles three driver buffers (ALSA periods). The
// receive pipeline owns one object for input and one for output and drives both from its worker
// thread.
class SoundCard {
public:
    // The prompter asks "Cannot open soundcard, try again?" when capture cannot be opened.
    SoundCard(Prompter& prompter, TimeBase& time);
    virtual ~SoundCard();
    SoundCard(const SoundCard&) = delete;
    SoundCard& operator=(const SoundCard&) = delete;

    // 0 on success, else an error code. `device` is the operator's choice from the device list
    // (SoundDevices); a device that is gone gives 2, one that another program holds 4.
    int OpenInput(const WaveFormat& format, const SoundDeviceChoice& device,
                  unsigned framesPerBuffer, unsigned frameLimit);
    // Frames on success, -1 on error (LastError set), 0 when the frame limit was just reached.
    int Read(double* samples, unsigned frames);
    void CloseInput();

    int OpenOutput(const WaveFormat& format, const SoundDeviceChoice& device,
                   unsigned framesPerBuffer, unsigned frameLimit);
    // Frames on success, -1 on error; 0 frames flushes and closes.
    int Write(const double* samples, unsigned frames);
    int WaitOutputDone();
    void CloseOutput();

    int LastError() const;
    // Makes a blocked Read, Write or WaitOutputDone give up at once (from any thread): Read
    // fails with 113, Write and WaitOutputDone with 116, as when the device stops answering, and
    // a failed direction is closed without playing out. OpenInput stops retrying and asks nothing.
    // Lasts until ClearInterrupt, so that a stop cannot be lost between two calls.
    void Interrupt();
    void ClearInterrupt();

    static std::string SoundErrorText(int code);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tarnwick
