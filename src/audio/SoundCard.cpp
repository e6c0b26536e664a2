#include "audio/SoundCard.h"

#include <atomic>
#include <cstdint>
#include <mutex>

#include "audio/SoundCardErrors.h"
#include "audio/SoundCardSamples.h"
#include "audio/SoundCardStream.h"
#include "platform/Event.h"
#include "platform/Prompter.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"

namespace tarnwick {

namespace {

constexpr uint16_t kPcmTag = 1;
// Bound of every wait for the device: a silent or removed device ends in an error, not a hang.
constexpr uint32_t kBufferWaitMs = 2000;
constexpr int kOpenAttemptsPerSeries = 4;
constexpr uint32_t kOpenRetryPauseMs = 200;
constexpr int kOutputOpenAttempts = 3;
// Largest buffer taken: a few seconds of the widest format, far beyond any sensible request.
constexpr uint64_t kMaxBufferBytes = uint64_t{1} << 28;

int NextIndex(int i) {
    return (i + 1) % SoundCardStream::kBuffers;
}

// 0, or the code refusing a format whose samples this class cannot convert.
int CheckFormat(const WaveFormat& f, unsigned framesPerBuffer) {
    if (f.FormatTag != kPcmTag || (f.BitsPerSample != 8 && f.BitsPerSample != 16) ||
        f.Channels == 0 || f.SamplesPerSec == 0) {
        return SoundCode::kBadFormat;
    }
    if (framesPerBuffer == 0) {
        return SoundCode::kInvalidParameter;
    }
    return SoundCode::kNone;
}

unsigned BytesPerFrame(const WaveFormat& f) {
    return f.BitsPerSample / 8u * f.Channels;
}

PcmFormat PcmFormatOf(const WaveFormat& f) {
    // The frame size follows from the sample width, whatever the record's block align says.
    return {f.SamplesPerSec, f.Channels, f.BitsPerSample, BytesPerFrame(f)};
}

}  // namespace

struct SoundCard::Impl {
    Impl(Prompter& p, TimeBase& t) : prompter(p), time(t) {}

    int Fail(int code) {
        lastError = code;
        return code;
    }
    bool Interrupted() { return interrupt.IsSignalled(time.NowNs()); }
    // Waits for `event` within the bound; false on time-out or interrupt, with `waiting`
    // cleared so that no late completion leaves a stale signal behind.
    bool AwaitBuffer(Event& event, bool& waiting);
    int OpenInputDevice(const WaveFormat& format, const SoundDeviceChoice& device,
                        unsigned framesPerBuffer);
    bool InputDone();
    // Whether the capture ring has been full for so long that a device keeping pace would
    // have lost audio meanwhile (lock held).
    bool InputOverflowedLocked() const;
    bool OutputDone();

    Prompter& prompter;
    TimeBase& time;

    // One lock for both directions: the ring indices, the flags below and the streams' queues.
    std::mutex lock;
    Event inputEvent{ResetMode::Auto};
    Event outputEvent{ResetMode::Auto};
    // Set by Interrupt; every wait of this object gives up at once while it is set.
    Event interrupt{ResetMode::Manual};
    bool inputWaiting = false;
    // All input buffers filled and none taken yet, since inputFullSinceNs (on the time base).
    bool inputFull = false;
    int64_t inputFullSinceNs = 0;
    bool outputWaiting = false;
    bool outputUnderflow = false;
    int inputFilled = 0;
    int inputRead = 0;
    int outputWritten = 0;
    int outputDone = 0;

    // The owner's thread only.
    bool inputRunning = false;
    bool outputOpen = false;
    unsigned inputBytesPerFrame = 0;
    unsigned outputBytesPerFrame = 0;
    size_t inputBufferBytes = 0;
    size_t outputBufferBytes = 0;
    size_t inputPosition = 0;
    size_t outputPosition = 0;
    unsigned inputFrameLimit = 0;
    unsigned inputFramesDone = 0;
    unsigned outputFrameLimit = 0;
    unsigned outputFramesDone = 0;
    WaveFormat inputFormat;
    WaveFormat outputFormat;
    std::atomic<int> lastError{0};

    SoundCardStream input{PcmDirection::Capture, lock, inputEvent, [this] { return InputDone(); }};
    SoundCardStream output{PcmDirection::Playback, lock, outputEvent,
                           [this] { return OutputDone(); }};
};

SoundCard::SoundCard(Prompter& prompter, TimeBase& time)
    : impl_(std::make_unique<Impl>(prompter, time)) {}

// Closing is the owner's job; the streams still stop their threads if it was forgotten.
SoundCard::~SoundCard() = default;

int SoundCard::LastError() const {
    return impl_->lastError;
}

void SoundCard::Interrupt() {
    impl_->interrupt.Set();
}

void SoundCard::ClearInterrupt() {
    impl_->interrupt.Reset();
}

bool SoundCard::Impl::AwaitBuffer(Event& event, bool& waiting) {
    if (time.WaitAnyFor({&event, &interrupt}, kBufferWaitMs) == 0) {
        return true;
    }
    std::lock_guard guard(lock);
    waiting = false;
    return false;
}

// Runs on the capture thread with the lock held, once per filled buffer.
bool SoundCard::Impl::InputDone() {
    inputFilled = NextIndex(inputFilled);
    if (inputFilled == inputRead) {
        inputFull = true;
        inputFullSinceNs = time.NowNs();
    }
    const bool wake = inputWaiting;
    inputWaiting = false;
    return wake;
}

// A full ring alone is no loss: a sound server may hand over a backlog of several buffers at
// once (some do right after a stream opens), and a reader that takes a buffer every block
// keeps up with it. A device that keeps pace still has its own buffer of as many periods to
// fill while the ring stays full, so the ring counts as overflowed once it has stayed full
// for all but one of them.
bool SoundCard::Impl::InputOverflowedLocked() const {
    if (!inputFull) {
        return false;
    }
    const double bytesPerSecond =
        static_cast<double>(inputFormat.SamplesPerSec) * BytesPerFrame(inputFormat);
    const double allowedNs = (SoundCardStream::kBuffers - 1) *
                             static_cast<double>(inputBufferBytes) / bytesPerSecond * 1e9;
    return static_cast<double>(time.NowNs() - inputFullSinceNs) > allowedNs;
}

// Runs on the playback thread with the lock held, once per played buffer.
bool SoundCard::Impl::OutputDone() {
    outputDone = NextIndex(outputDone);
    if (outputWritten == outputDone) {
        outputUnderflow = true;
    }
    const bool wake = outputWaiting;
    outputWaiting = false;
    return wake;
}

int SoundCard::Impl::OpenInputDevice(const WaveFormat& format, const SoundDeviceChoice& device,
                                     unsigned framesPerBuffer) {
    const PcmFormat pcmFormat = PcmFormatOf(format);
    for (;;) {
        int code = SoundCode::kNone;
        for (int attempt = 0; attempt < kOpenAttemptsPerSeries; ++attempt) {
            if (attempt > 0) {
                time.WaitFor(interrupt, kOpenRetryPauseMs);
            }
            // Looked up at every attempt, so that a device plugged in meanwhile is found.
            code = input.Open(SoundDevices::NameFor(device, PcmDirection::Capture), pcmFormat,
                              framesPerBuffer);
            if (code == SoundCode::kNone || Interrupted()) {
                return code;
            }
        }
        if (prompter.Ask("Cannot open soundcard, try again?", PromptButtons::RetryCancel,
                         &interrupt) != PromptAnswer::Retry ||
            time.WaitFor(interrupt, kOpenRetryPauseMs)) {
            return code;
        }
    }
}

int SoundCard::OpenInput(const WaveFormat& format, const SoundDeviceChoice& device,
                         unsigned framesPerBuffer, unsigned frameLimit) {
    Impl& d = *impl_;
    CloseInput();
    {
        std::lock_guard guard(d.lock);
        d.inputWaiting = false;
        d.inputFull = false;
        d.inputFilled = 0;
        d.inputRead = 0;
    }
    d.inputFramesDone = 0;
    d.inputPosition = 0;
    d.inputFormat = format;
    d.inputFrameLimit = frameLimit;
    d.inputEvent.Reset();
    if (const int code = CheckFormat(format, framesPerBuffer); code != SoundCode::kNone) {
        return d.Fail(code);
    }
    d.inputBytesPerFrame = BytesPerFrame(format);
    const uint64_t bytes = uint64_t{framesPerBuffer} * d.inputBytesPerFrame;
    d.inputBufferBytes = static_cast<size_t>(bytes);

    if (const int code = d.OpenInputDevice(format, device, framesPerBuffer);
        code != SoundCode::kNone) {
        CloseInput();
        return d.Fail(code);
    }
    if (bytes > kMaxBufferBytes || !d.input.Allocate(d.inputBufferBytes)) {
        CloseInput();
        return d.Fail(SoundCode::kAllocation);
    }
    {
        std::lock_guard guard(d.lock);
        for (int i = 0; i < SoundCardStream::kBuffers; ++i) {
            d.input.QueueLocked(i, d.inputBufferBytes);
        }
    }
    // Audio that can never be read (past the frame limit) is not captured.
    const uint64_t bufferLimit =
        frameLimit == 0 ? 0 : (uint64_t{frameLimit} + framesPerBuffer - 1) / framesPerBuffer;
    if (!d.input.Start(bufferLimit)) {
        CloseInput();
        return d.Fail(SoundCode::kNoMemory);
    }
    d.inputRunning = true;
    d.lastError = SoundCode::kNone;
    return SoundCode::kNone;
}

int SoundCard::Read(double* samples, unsigned frames) {
    Impl& d = *impl_;
    if (!d.inputRunning) {
        d.Fail(SoundCode::kReadClosed);
        return -1;
    }
    const size_t channels = d.inputFormat.Channels;
    const size_t sampleBytes = d.inputFormat.BitsPerSample / 8u;
    size_t left = size_t{frames} * channels;
    while (left > 0) {
        {
            std::unique_lock guard(d.lock);
            if (d.InputOverflowedLocked()) {
                guard.unlock();
                d.Fail(SoundCode::kInputOverflow);
                CloseInput();
                return -1;
            }
            if (d.inputRead == d.inputFilled && !d.inputFull) {
                d.inputWaiting = true;
                guard.unlock();
                if (!d.AwaitBuffer(d.inputEvent, d.inputWaiting)) {
                    d.Fail(SoundCode::kInputTimeout);
                    CloseInput();
                    return -1;
                }
                continue;
            }
        }
        const unsigned char* data = d.input.Data(d.inputRead);
        while (left > 0 && d.inputPosition < d.inputBufferBytes) {
            const unsigned char* p = data + d.inputPosition;
            *samples++ = sampleBytes == 2 ? SampleFrom16(p) : SampleFrom8(*p);
            d.inputPosition += sampleBytes;
            --left;
        }
        if (d.inputPosition >= d.inputBufferBytes) {
            std::lock_guard guard(d.lock);
            d.input.QueueLocked(d.inputRead, d.inputBufferBytes);
            d.inputRead = NextIndex(d.inputRead);
            d.inputFull = false;
            d.inputPosition = 0;
        }
    }
    d.inputFramesDone += frames;
    if (d.inputFrameLimit != 0 && d.inputFramesDone >= d.inputFrameLimit) {
        CloseInput();
        return 0;
    }
    return static_cast<int>(frames);
}

void SoundCard::CloseInput() {
    Impl& d = *impl_;
    d.inputRunning = false;
    d.input.Close();
    d.inputPosition = 0;
}

int SoundCard::OpenOutput(const WaveFormat& format, const SoundDeviceChoice& device,
                          unsigned framesPerBuffer, unsigned frameLimit) {
    Impl& d = *impl_;
    // A second open drops what an earlier one left queued instead of playing it out.
    d.outputOpen = false;
    d.output.Close();
    {
        std::lock_guard guard(d.lock);
        d.outputWaiting = false;
        d.outputUnderflow = false;
        d.outputWritten = 0;
        d.outputDone = 0;
    }
    d.outputPosition = 0;
    d.outputFramesDone = 0;
    d.outputFormat = format;
    d.outputFrameLimit = frameLimit;
    d.outputEvent.Reset();
    if (const int code = CheckFormat(format, framesPerBuffer); code != SoundCode::kNone) {
        return d.Fail(code);
    }
    d.outputBytesPerFrame = BytesPerFrame(format);
    const uint64_t bytes = uint64_t{framesPerBuffer} * d.outputBytesPerFrame;
    d.outputBufferBytes = static_cast<size_t>(bytes);

    int code = SoundCode::kNone;
    for (int attempt = 0; attempt < kOutputOpenAttempts; ++attempt) {
        code = d.output.Open(SoundDevices::NameFor(device, PcmDirection::Playback),
                             PcmFormatOf(format), framesPerBuffer);
        if (code == SoundCode::kNone) {
            break;
        }
    }
    if (code != SoundCode::kNone) {
        d.output.Close();
        return d.Fail(code);
    }
    if (bytes > kMaxBufferBytes || !d.output.Allocate(d.outputBufferBytes)) {
        d.output.Close();
        return d.Fail(SoundCode::kAllocation);
    }
    // The stream starts paused: nothing plays until two buffers are queued.
    if (!d.output.Start(0)) {
        d.output.Close();
        return d.Fail(SoundCode::kNoMemory);
    }
    d.outputOpen = true;
    d.lastError = SoundCode::kNone;
    return SoundCode::kNone;
}

int SoundCard::Write(const double* samples, unsigned frames) {
    Impl& d = *impl_;
    if (!d.outputOpen) {
        d.Fail(SoundCode::kWriteClosed);
        return -1;
    }
    bool underflow = false;
    {
        std::lock_guard guard(d.lock);
        underflow = d.outputUnderflow;
    }
    if (underflow) {
        d.Fail(SoundCode::kOutputUnderflow);
        CloseOutput();
        return -1;
    }
    if (frames == 0) {
        CloseOutput();
        return d.lastError == SoundCode::kNone ? 0 : -1;
    }
    const size_t sampleBytes = d.outputFormat.BitsPerSample / 8u;
    size_t left = size_t{frames} * d.outputFormat.Channels;
    while (left > 0) {
        unsigned char* data = d.output.Data(d.outputWritten);
        while (left > 0 && d.outputPosition < d.outputBufferBytes) {
            unsigned char* p = data + d.outputPosition;
            if (sampleBytes == 2) {
                SampleTo16(*samples++, p);
            } else {
                *p = SampleTo8(*samples++);
            }
            d.outputPosition += sampleBytes;
            --left;
        }
        if (d.outputPosition < d.outputBufferBytes) {
            break;
        }
        d.outputPosition = 0;
        std::unique_lock guard(d.lock);
        // Queued and counted in one step, so that the callback never sees the buffer played
        // before it was counted as written.
        d.output.QueueLocked(d.outputWritten, d.outputBufferBytes);
        if (d.output.PausedLocked() && d.outputWritten >= 1) {
            d.output.RestartLocked();
        }
        d.outputWritten = NextIndex(d.outputWritten);
        // All three queued: the next buffer to fill is still playing.
        while (d.output.QueuedLocked(d.outputWritten)) {
            d.outputWaiting = true;
            guard.unlock();
            if (!d.AwaitBuffer(d.outputEvent, d.outputWaiting)) {
                d.Fail(SoundCode::kOutputTimeout);
                CloseOutput();
                return -1;
            }
            guard.lock();
        }
    }
    d.outputFramesDone += frames;
    if (d.outputFrameLimit != 0 && d.outputFramesDone >= d.outputFrameLimit) {
        CloseOutput();
        return d.lastError == SoundCode::kNone ? 0 : -1;
    }
    return static_cast<int>(frames);
}

int SoundCard::WaitOutputDone() {
    Impl& d = *impl_;
    for (;;) {
        {
            std::lock_guard guard(d.lock);
            if (!d.output.AnyQueuedLocked()) {
                return d.lastError;
            }
            // A paused device would never play what is queued.
            if (d.output.PausedLocked()) {
                d.output.RestartLocked();
            }
            d.outputWaiting = true;
        }
        if (!d.AwaitBuffer(d.outputEvent, d.outputWaiting)) {
            return d.Fail(SoundCode::kOutputTimeout);
        }
    }
}

void SoundCard::CloseOutput() {
    Impl& d = *impl_;
    d.outputOpen = false;
    if (d.output.IsOpen() && d.lastError == SoundCode::kNone) {
        if (d.outputPosition > 0) {
            std::lock_guard guard(d.lock);
            d.output.QueueLocked(d.outputWritten, d.outputPosition);
            d.outputWritten = NextIndex(d.outputWritten);
        }
        d.lastError = WaitOutputDone();
    }
    // After an error nothing more is played: the device is stopped at once.
    d.output.Close();
    d.outputPosition = 0;
}

}  // namespace tarnwick
