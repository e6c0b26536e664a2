#include "send/WavePlayer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "model/WaveFormat.h"
#include "platform/AlsaPcm.h"
#include "platform/Event.h"
#include "platform/Prompter.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "send/RiffReader.h"

namespace tarnwick {

namespace {

constexpr uint16_t kPcmTag = 1;
// A "fmt " chunk shorter than this lacks the fields a PCM format needs.
constexpr size_t kPcmFormatBytes = 16;
// The format block is sized by a 16-bit count.
constexpr uint32_t kFormatBlockLimit = 65536;
constexpr unsigned kPeriods = 3;
// Period length: short enough that a stop leaves little queued, long enough to ride out a
// busy machine.
constexpr unsigned kPeriodsPerSecond = 10;
// A device that takes no data for this long has gone away.
constexpr int kStallMs = 2000;
// Longest sleep while the last periods play out, so a stop is seen at once.
constexpr int kDrainSliceMs = 50;

uint16_t Get16(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t Get32(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<uint32_t>(Get16(b, at)) | static_cast<uint32_t>(Get16(b, at + 2)) << 16;
}

WaveFormat ParseFormat(const std::vector<unsigned char>& block) {
    WaveFormat f;
    f.FormatTag = Get16(block, 0);
    f.Channels = Get16(block, 2);
    f.SamplesPerSec = Get32(block, 4);
    f.AvgBytesPerSec = Get32(block, 8);
    f.BlockAlign = Get16(block, 12);
    f.BitsPerSample = Get16(block, 14);
    f.ExtraSize = block.size() >= kPcmFormatBytes + 2 ? Get16(block, 16) : 0;
    return f;
}

PcmFormat PcmFormatOf(const WaveFormat& f) {
    return {f.SamplesPerSec, f.Channels, f.BitsPerSample, f.BlockAlign};
}

}  // namespace

struct WavePlayer::Impl {
    enum class State { Idle, Loading, Playing };

    using Resolver = std::function<std::string(const SoundDeviceChoice&)>;

    Impl(Prompter& p, TimeBase& t, Resolver r) : prompter(p), time(t), resolve(std::move(r)) {}

    bool Fail(const std::string& text, Event* cancel) {
        prompter.Show(text, cancel);
        return false;
    }

    bool Load(const std::string& fileName, const SoundDeviceChoice& device, Event* cancel);
    bool Start(std::unique_ptr<AlsaPcm> pcm, std::unique_ptr<unsigned char[]> buffer, size_t frames,
               unsigned rate, Event* cancel);
    void CloseDevice();
    void Run(size_t firstFrame);
    void PlayOut();

    Prompter& prompter;
    TimeBase& time;
    // The PCM that plays the chosen device; empty when there is none.
    const Resolver resolve;
    Event stopEvent{ResetMode::Auto};
    Event doneEvent{ResetMode::Auto};

    // Guards everything below; the playback thread takes it never, so it may be joined under it.
    mutable std::mutex mutex;
    State state = State::Idle;
    bool cancelled = false;
    std::unique_ptr<AlsaPcm> device;
    std::unique_ptr<unsigned char[]> data;
    size_t dataFrames = 0;
    unsigned sampleRate = 0;
    std::thread playback;
    std::atomic<bool> ending{false};
    std::atomic<bool> failed{false};
};

WavePlayer::WavePlayer(Prompter& prompter, TimeBase& time)
    : impl_(std::make_unique<Impl>(prompter, time, [](const SoundDeviceChoice& device) {
          return SoundDevices::NameFor(device, PcmDirection::Playback);
      })) {}

WavePlayer::WavePlayer(Prompter& prompter, TimeBase& time, DeviceNamer namer)
    : impl_(std::make_unique<Impl>(prompter, time,
                                   [namer = std::move(namer)](const SoundDeviceChoice& device) {
                                       return namer(device.number);
                                   })) {}

WavePlayer::~WavePlayer() {
    std::lock_guard lock(impl_->mutex);
    impl_->CloseDevice();
}

bool WavePlayer::Play(const std::string& fileName, const SoundDeviceChoice& device, Event* cancel) {
    {
        std::lock_guard lock(impl_->mutex);
        // A playback nobody waited for or stopped ends here instead of keeping its device.
        impl_->CloseDevice();
        impl_->state = Impl::State::Loading;
        impl_->cancelled = false;
        impl_->failed = false;
        impl_->stopEvent.Reset();
        impl_->doneEvent.Reset();
    }
    const bool ok = impl_->Load(fileName, device, cancel);
    if (!ok) {
        std::lock_guard lock(impl_->mutex);
        impl_->state = Impl::State::Idle;
    }
    return ok;
}

bool WavePlayer::Impl::Load(const std::string& fileName, const SoundDeviceChoice& device,
                            Event* cancel) {
    RiffReader riff;
    if (fileName.size() > kMaxFileName || fileName.find('\0') != std::string::npos ||
        !riff.Open(fileName)) {
        return Fail("Cannot locate file: " + fileName, cancel);
    }
    if (!riff.FindForm(FourCc("WAVE"))) {
        return Fail(fileName + " does not appear to be a wav file.", cancel);
    }
    if (!riff.Descend(FourCc("fmt "))) {
        return Fail(fileName + " appears to be corrupt.", cancel);
    }
    if (riff.ChunkSize() >= kFormatBlockLimit) {
        return Fail("Cannot allocate memory for wave format.", cancel);
    }
    std::vector<unsigned char> block(riff.ChunkSize());
    if (riff.ReadChunk(block.data(), block.size()) != block.size() ||
        block.size() < kPcmFormatBytes) {
        return Fail("Cannot read wave format.", cancel);
    }
    const WaveFormat format = ParseFormat(block);
    if (format.FormatTag != kPcmTag) {
        return Fail("Wav file is not in PCM format.", cancel);
    }
    const std::string pcmName = resolve(device);
    const PcmFormat pcmFormat = PcmFormatOf(format);
    if (AlsaPcm::Query(pcmName, PcmDirection::Playback, pcmFormat) != 0) {
        return Fail("Cannot open soundcard.", cancel);
    }
    riff.Ascend();
    if (!riff.Descend(FourCc("data"))) {
        return Fail("Cannot locate wav data.", cancel);
    }
    const uint32_t dataBytes = riff.ChunkSize();
    if (dataBytes == 0) {
        return Fail("Chunk has no data.", cancel);
    }
    auto pcm = std::make_unique<AlsaPcm>();
    if (pcm->Open(pcmName, PcmDirection::Playback, true) != 0 ||
        pcm->Configure(pcmFormat, kPeriods,
                       std::max(1u, format.SamplesPerSec / kPeriodsPerSecond)) != 0) {
        return Fail("Cannot open soundcard.", cancel);
    }
    // A size the file cannot back is refused before anything of that size is allocated.
    if (riff.ChunkAvailable() < dataBytes) {
        return Fail("Cannot read data from wav file.", cancel);
    }
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[dataBytes]);
    if (!buffer) {
        return Fail("Cannot allocate memory for wave data.", cancel);
    }
    if (riff.ReadChunk(buffer.get(), dataBytes) != dataBytes) {
        return Fail("Cannot read data from wav file.", cancel);
    }
    riff.Close();
    // A trailing partial frame cannot be played.
    const size_t frames = dataBytes / format.BlockAlign;
    return Start(std::move(pcm), std::move(buffer), frames, format.SamplesPerSec, cancel);
}

bool WavePlayer::Impl::Start(std::unique_ptr<AlsaPcm> pcm, std::unique_ptr<unsigned char[]> buffer,
                             size_t frames, unsigned rate, Event* cancel) {
    // The first period goes out here, so a device that takes nothing fails Play itself.
    long first = 0;
    if (frames > 0) {
        first = pcm->Write(buffer.get(), std::min<size_t>(frames, pcm->PeriodFrames()));
        if (first == -EAGAIN) {
            first = 0;
        }
        if (first < 0) {
            return Fail("Cannot write to soundcard device.", cancel);
        }
    }
    std::unique_lock lock(mutex);
    if (cancelled) {
        // Stopped while loading: the stop event is set, so WaitDone returns at once.
        pcm->Drop();
        state = State::Idle;
        return true;
    }
    device = std::move(pcm);
    data = std::move(buffer);
    dataFrames = frames;
    sampleRate = rate;
    ending = false;
    try {
        playback = std::thread([this, first] { Run(static_cast<size_t>(first)); });
    } catch (const std::system_error&) {
        device->Drop();
        device.reset();
        data.reset();
        state = State::Idle;
        lock.unlock();
        return Fail("Cannot write to soundcard device.", cancel);
    }
    state = State::Playing;
    return true;
}

// The playback thread: feeds the buffer period by period, lets the queue play out, then
// reports the end. A stop interrupts every wait in here at once; a device that takes nothing
// for kStallMs has failed.
void WavePlayer::Impl::Run(size_t firstFrame) {
    using Clock = std::chrono::steady_clock;
    const size_t frameBytes = device->BytesPerFrame();
    const size_t period = std::max<size_t>(1, device->PeriodFrames());
    size_t next = firstFrame;
    auto lastProgress = Clock::now();
    while (next < dataFrames && !ending) {
        const long n =
            device->Write(data.get() + next * frameBytes, std::min(period, dataFrames - next));
        if (n > 0) {
            next += static_cast<size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (Clock::now() - lastProgress > std::chrono::milliseconds(kStallMs)) {
            failed = true;
            break;
        }
        if (n == 0 || n == -EAGAIN) {
            const PcmWait w = device->Wait(kStallMs);
            if (w == PcmWait::Interrupted) {
                return;
            }
            if (w == PcmWait::Failed) {
                failed = true;
                break;
            }
            continue;
        }
        // An underrun (a stalled machine) is a gap, not the end of the message.
        if (device->Recover(static_cast<int>(n)) < 0) {
            failed = true;
            break;
        }
    }
    if (ending) {
        return;
    }
    if (!failed) {
        PlayOut();
    }
    if (!ending) {
        doneEvent.Set();
    }
}

// Waits until what is queued has been heard: for as long as the queue takes to play, then for
// as long as the device still makes progress (a sound server keeps reporting its own small
// latency when idle, so the queue never reads empty there). Sleeps in short slices that a stop
// cuts short. The device plays in real time whatever clock the player was given, so this wait
// uses the real one.
void WavePlayer::Impl::PlayOut() {
    long delay = device->DelayFrames();
    if (delay <= 0 || sampleRate == 0) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const auto queueTime =
        std::chrono::milliseconds(static_cast<int64_t>(delay) * 1000 / sampleRate);
    const auto expectedEnd = Clock::now() + queueTime;
    const auto giveUp = expectedEnd + std::chrono::milliseconds(kStallMs);
    long previous = delay;
    for (auto now = Clock::now(); now < giveUp; now = Clock::now()) {
        const auto untilEnd =
            std::chrono::duration_cast<std::chrono::milliseconds>(expectedEnd - now).count();
        if (!device->Pause(static_cast<int>(std::clamp<int64_t>(untilEnd, 1, kDrainSliceMs)))) {
            return;
        }
        delay = device->DelayFrames();
        if (delay <= 0 || (Clock::now() >= expectedEnd && delay >= previous)) {
            return;
        }
        previous = delay;
    }
}

void WavePlayer::Impl::CloseDevice() {
    if (state == State::Loading) {
        return;
    }
    ending = true;
    if (device) {
        device->Interrupt();
    }
    if (playback.joinable()) {
        playback.join();
    }
    if (device) {
        device->Drop();
        device.reset();
    }
    data.reset();
    dataFrames = 0;
    state = State::Idle;
}

bool WavePlayer::WaitDone() {
    const int which = impl_->time.WaitAnyFor({&impl_->doneEvent, &impl_->stopEvent}, kWaitDoneMs);
    if (which < 0) {
        return false;
    }
    std::lock_guard lock(impl_->mutex);
    const bool ok = which == 1 || !impl_->failed;
    impl_->CloseDevice();
    return ok;
}

void WavePlayer::Stop() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->state == Impl::State::Loading) {
        impl_->cancelled = true;
        impl_->stopEvent.Set();
        return;
    }
    if (impl_->state != Impl::State::Playing) {
        return;
    }
    // First, so that a WaitDone under way returns at once.
    impl_->stopEvent.Set();
    impl_->CloseDevice();
}

bool WavePlayer::IsOpen() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->device != nullptr;
}

}  // namespace tarnwick
