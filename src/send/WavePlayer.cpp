#include "send/WavePlayer.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "platform/AlsaPcm.h"
#include "platform/Event.h"
#include "platform/Prompter.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "platform/WaveFormat.h"
#include "send/RiffReader.h"
#include "send/WavePlayback.h"

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
    using Resolver = std::function<std::string(const SoundDeviceChoice&)>;

    Impl(Prompter& p, TimeBase& t, Resolver r) : prompter(p), time(t), resolve(std::move(r)) {}

    bool Fail(const std::string& text, Event* cancel) {
        prompter.Show(text, cancel);
        return false;
    }

    bool Stopping(Event* stop) { return stop != nullptr && stop->IsSignalled(time.NowNs()); }
    bool Load(const std::string& fileName, const SoundDeviceChoice& device, Event* stop);
    // Runs a device step on the playback's thread; false when a stop came first.
    bool Step(WavePlayback& playback, WavePlayback::Step step, Event* stop);
    // Under the lock: ends the playback, waiting at most kCloseWaitMs for its device to close.
    void Close();

    Prompter& prompter;
    TimeBase& time;
    // The PCM that plays the chosen device; empty when there is none.
    const Resolver resolve;

    // Guards everything below. Every wait under it is bounded (Close), so Stop never waits
    // long for a device.
    mutable std::mutex mutex;
    std::shared_ptr<WavePlayback> playback;
    // The caller's stop of the current Play, and our own Stop: both end a playback before or
    // during it.
    Event* stop = nullptr;
    Event stopped{ResetMode::Manual};
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
    impl_->Close();
}

void WavePlayer::Impl::Close() {
    if (playback) {
        playback->End(kCloseWaitMs);
        playback.reset();
    }
}

bool WavePlayer::Play(const std::string& fileName, const SoundDeviceChoice& device, Event* stop) {
    {
        std::lock_guard lock(impl_->mutex);
        // A playback nobody waited for or stopped ends here instead of keeping its device.
        impl_->Close();
        impl_->stopped.Reset();
        impl_->stop = stop;
    }
    // A stop that came before Play wins as much as one that comes during it.
    if (impl_->Stopping(stop)) {
        return false;
    }
    if (impl_->Load(fileName, device, stop)) {
        return true;
    }
    std::lock_guard lock(impl_->mutex);
    impl_->Close();
    return false;
}

bool WavePlayer::Impl::Step(WavePlayback& p, WavePlayback::Step step, Event* stop) {
    Event* stops[] = {&stopped, stop};
    return p.Run(std::move(step), stops);
}

bool WavePlayer::Impl::Load(const std::string& fileName, const SoundDeviceChoice& device,
                            Event* stop) {
    RiffReader riff;
    if (fileName.size() > kMaxFileName || fileName.find('\0') != std::string::npos ||
        !riff.Open(fileName)) {
        return Fail("Cannot locate file: " + fileName, stop);
    }
    if (!riff.FindForm(FourCc("WAVE"))) {
        return Fail(fileName + " does not appear to be a wav file.", stop);
    }
    if (!riff.Descend(FourCc("fmt "))) {
        return Fail(fileName + " appears to be corrupt.", stop);
    }
    if (riff.ChunkSize() >= kFormatBlockLimit) {
        return Fail("Cannot allocate memory for wave format.", stop);
    }
    std::vector<unsigned char> block(riff.ChunkSize());
    if (riff.ReadChunk(block.data(), block.size()) != block.size() ||
        block.size() < kPcmFormatBytes) {
        return Fail("Cannot read wave format.", stop);
    }
    const WaveFormat format = ParseFormat(block);
    if (format.FormatTag != kPcmTag) {
        return Fail("Wav file is not in PCM format.", stop);
    }

    // From here on the device is involved: its calls go to the playback's thread.
    std::shared_ptr<WavePlayback> p = WavePlayback::Create();
    if (!p) {
        return Fail("Cannot open soundcard.", stop);
    }
    {
        std::lock_guard lock(mutex);
        playback = p;
    }
    const std::string pcmName = resolve(device);
    const PcmFormat pcmFormat = PcmFormatOf(format);
    if (!Step(
            *p,
            [pcmName, pcmFormat](WavePlayback& pb) {
                pb.result = AlsaPcm::Query(pcmName, PcmDirection::Playback, pcmFormat);
            },
            stop)) {
        return false;
    }
    if (p->result != 0) {
        return Fail("Cannot open soundcard.", stop);
    }
    riff.Ascend();
    if (!riff.Descend(FourCc("data"))) {
        return Fail("Cannot locate wav data.", stop);
    }
    const uint32_t dataBytes = riff.ChunkSize();
    if (dataBytes == 0) {
        return Fail("Chunk has no data.", stop);
    }
    const unsigned long periodFrames = std::max(1u, format.SamplesPerSec / kPeriodsPerSecond);
    if (!Step(
            *p,
            [pcmName, pcmFormat, periodFrames](WavePlayback& pb) {
                AlsaPcm& pcm = pb.Device();
                pb.result = pcm.Open(pcmName, PcmDirection::Playback, true);
                if (pb.result == 0) {
                    pb.result = pcm.Configure(pcmFormat, kPeriods, periodFrames);
                }
            },
            stop)) {
        return false;
    }
    if (p->result != 0) {
        return Fail("Cannot open soundcard.", stop);
    }
    // A size the file cannot back is refused before anything of that size is allocated.
    if (riff.ChunkAvailable() < dataBytes) {
        return Fail("Cannot read data from wav file.", stop);
    }
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[dataBytes]);
    if (!buffer) {
        return Fail("Cannot allocate memory for wave data.", stop);
    }
    if (riff.ReadChunk(buffer.get(), dataBytes) != dataBytes) {
        return Fail("Cannot read data from wav file.", stop);
    }
    riff.Close();
    // A trailing partial frame cannot be played.
    p->SetData(std::move(buffer), dataBytes / format.BlockAlign, format.SamplesPerSec);
    if (!Step(
            *p, [](WavePlayback& pb) { pb.StartPlaying(); }, stop)) {
        return false;
    }
    if (p->result < 0) {
        return Fail("Cannot write to soundcard device.", stop);
    }
    return true;
}

bool WavePlayer::WaitDone() {
    std::shared_ptr<WavePlayback> p;
    Event* stop = nullptr;
    {
        std::lock_guard lock(impl_->mutex);
        p = impl_->playback;
        stop = impl_->stop;
    }
    Event* events[3];
    size_t n = 0;
    if (p) {
        events[n++] = &p->Over();
    }
    events[n++] = &impl_->stopped;
    if (stop != nullptr) {
        events[n++] = stop;
    }
    const int64_t deadline = impl_->time.NowNs() + int64_t{kWaitDoneMs} * kNsPerMs;
    const int which = impl_->time.WaitAny(std::span<Event* const>(events, n), deadline);
    if (which < 0) {
        return false;
    }
    // The end of playback or a stop; a device that failed during playback fails the wait, so
    // a broken transmission is never reported as sent.
    const bool ok = !(p && events[which] == &p->Over() && p->Failed());
    std::lock_guard lock(impl_->mutex);
    if (impl_->playback == p) {
        impl_->Close();
    }
    return ok;
}

void WavePlayer::Stop() {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->playback) {
        return;
    }
    // First, so that a WaitDone or a device step under way returns at once.
    impl_->stopped.Set();
    impl_->Close();
}

bool WavePlayer::IsOpen() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->playback != nullptr;
}

}  // namespace tarnwick
