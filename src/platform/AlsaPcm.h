#pragma once

#include <cstddef>
#include <string>

// The ALSA handle type, without pulling <alsa/asoundlib.h> into every user of the adapter.
typedef struct _snd_pcm snd_pcm_t;

namespace tarnwick {

enum class PcmDirection { Playback, Capture };

// Why a PCM call failed, in the terms the sound classes report to the operator.
enum class PcmFault {
    None,
    DeviceMissing,  // no such PCM, card or plugin
    DeviceBusy,     // another program holds the device
    FormatRefused,  // the device cannot take this format, rate or channel count
    Xrun,           // playback ran dry or capture overflowed
    Other,
};

// Interleaved integer PCM as a WAV "fmt " chunk describes it.
struct PcmFormat {
    unsigned rate = 0;
    unsigned channels = 0;
    unsigned bitsPerSample = 0;
    unsigned blockAlign = 0;  // bytes per frame
};

enum class PcmWait { Ready, TimedOut, Interrupted, Failed };

// One open direction of an ALSA PCM. Every call but Interrupt belongs to the one thread that
// drives the stream; Interrupt may come from any thread and wakes that thread's Wait or Pause,
// so a stop never has to wait for the device. Results are 0 (or a frame count) on success and
// a negative ALSA error code on failure, as ALSA itself returns them.
class AlsaPcm {
public:
    AlsaPcm();
    ~AlsaPcm();
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    // Opening in non-blocking mode returns at once when a hardware device is busy instead of
    // waiting for it; reads and writes then return -EAGAIN and the caller waits with Wait.
    int Open(const std::string& name, PcmDirection direction, bool nonBlocking);
    // Interleaved access, the format, the exact rate (converting PCMs such as "default" adapt
    // it), `periods` periods of about `periodFrames` frames each.
    int Configure(const PcmFormat& format, unsigned periods, unsigned long periodFrames);
    // Whether `name` can take `format`: 0, or the error that opening or configuring gave.
    static int Query(const std::string& name, PcmDirection direction, const PcmFormat& format);

    long Write(const void* frames, unsigned long count);
    long Read(void* frames, unsigned long count);
    // Restarts the stream after an xrun or a suspend; other errors are returned unchanged.
    int Recover(int error);
    // Waits until the stream can be read or written, up to timeoutMs.
    PcmWait Wait(int timeoutMs);
    // Sleeps up to timeoutMs; false when interrupted.
    bool Pause(int timeoutMs);
    // Makes the current and every later Wait or Pause return Interrupted until the next Open.
    void Interrupt();

    // Frames written but not yet heard (playback) or captured but not yet read (capture).
    long DelayFrames();
    int Drain();
    // Stops at once, discarding what is queued.
    int Drop();
    void Close();

    bool IsOpen() const { return pcm_ != nullptr; }
    unsigned long PeriodFrames() const { return periodFrames_; }
    unsigned long BufferFrames() const { return bufferFrames_; }
    size_t BytesPerFrame() const { return bytesPerFrame_; }

    // Fault of the last failed Open, Configure or Query.
    PcmFault LastFault() const { return lastFault_; }
    static PcmFault FaultOf(int error, bool configuring);
    static std::string ErrorText(int error);
    // ALSA prints its failures on stderr; the keyer reports failures its own way and logs nothing.
    static void SilenceLibrary();

private:
    int Fail(int error, bool configuring);
    void ClearInterrupt();

    snd_pcm_t* pcm_ = nullptr;
    int wakeFd_ = -1;
    unsigned long periodFrames_ = 0;
    unsigned long bufferFrames_ = 0;
    size_t bytesPerFrame_ = 0;
    PcmFault lastFault_ = PcmFault::None;
};

}  // namespace tarnwick
