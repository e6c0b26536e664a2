#include "audio/Sidetone.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/SidetoneShaper.h"
#include "audio/SoundCardErrors.h"
#include "audio/SoundCardSamples.h"
#include "model/SettingsSchema.h"
#include "platform/AlsaPcm.h"
#include "platform/Event.h"
#include "platform/TimeBase.h"

namespace tarnwick {

namespace {

constexpr unsigned kPeriods = 3;
constexpr size_t kBytesPerFrame = 2;
// A device that takes nothing for this long has gone away.
constexpr int kStallMs = 2000;

int ClampPitch(int hz) {
    return std::clamp(hz, kMinSidetoneFreq, kMaxSidetoneFreq);
}

int64_t FramesToNs(uint64_t frames) {
    return static_cast<int64_t>(frames * 1'000'000'000ull / Sidetone::kRate);
}

}  // namespace

// One run of the tone, from opening the device to closing it, on a thread of its own. It owns
// all it touches, so that it may outlive the Sidetone when the device is slow to close.
class Sidetone::Player {
public:
    Player(std::shared_ptr<KeyEdgeTap> tap, SoundDeviceChoice device, int hz,
           std::function<void(int)> failed)
        : tap_(std::move(tap)), device_(std::move(device)), hz_(hz), failed_(std::move(failed)) {}

    static void Main(const std::shared_ptr<Player>& self) {
        self->Run();
        if (self->pcm_.IsOpen()) {
            self->pcm_.Drop();
            self->pcm_.Close();
        }
        self->over_.Set();
    }

    void SetPitch(int hz) { hz_.store(hz); }

    void End(uint32_t waitMs) {
        {
            std::lock_guard lock(mutex_);
            failed_ = nullptr;
        }
        ending_.store(true);
        pcm_.Interrupt();
        if (RealTime().WaitFor(over_, waitMs)) {
            thread.join();
        } else {
            thread.detach();
        }
    }

    std::thread thread;

private:
    void Run();
    bool Write(const unsigned char* data, size_t frames);
    void Fail(int code) {
        std::lock_guard lock(mutex_);
        if (failed_) {
            failed_(code);
        }
    }

    const std::shared_ptr<KeyEdgeTap> tap_;
    const SoundDeviceChoice device_;
    std::atomic<int> hz_;
    std::atomic<bool> ending_{false};
    AlsaPcm pcm_;
    std::mutex mutex_;
    std::function<void(int)> failed_;  // guarded by mutex_
    Event over_{ResetMode::Manual};
};

void Sidetone::Player::Run() {
    int err = pcm_.Open(SoundDevices::NameFor(device_, PcmDirection::Playback),
                        PcmDirection::Playback, true);
    if (err < 0) {
        Fail(SoundCodeOfAlsaError(err, false));
        return;
    }
    const PcmFormat format{kRate, 1, 16, kBytesPerFrame};
    if ((err = pcm_.Configure(format, kPeriods, kPeriodFrames)) < 0) {
        Fail(SoundCodeOfAlsaError(err, true));
        return;
    }
    const size_t period = pcm_.PeriodFrames();
    const uint64_t queued = std::max<uint64_t>(1, pcm_.BufferFrames() / period);
    const int64_t periodNs = FramesToNs(period);

    SidetoneShaper shaper(kRate, hz_.load(), kRampMs, kAmplitude);
    std::vector<double> samples(period);
    std::vector<unsigned char> bytes(period * kBytesPerFrame);
    std::vector<KeyEdgeTap::Edge> pending;
    std::vector<KeyChange> changes;
    uint64_t cursor = 0;

    // Each period plays the key as it was during a window of the same length. The windows end
    // a period before the moment they are rendered, so that every edge in one is known; the
    // first ones lie further back, as the device's buffer is filled at once. A window is placed
    // by the count of samples since an anchor, so rounding never adds up.
    int64_t anchorNs = RealTime().NowNs() - periodNs * static_cast<int64_t>(queued + 1);
    uint64_t rendered = 0;
    while (!ending_.load()) {
        int64_t startNs = anchorNs + FramesToNs(rendered);
        const int64_t wantedEndNs = RealTime().NowNs() - periodNs;
        const int64_t lagNs = wantedEndNs - (startNs + periodNs);
        // After a stall, or with the card's clock drifting from ours, the delay would grow or
        // edges would be placed before they happen: start afresh a period before the wanted end.
        if (lagNs > periodNs * static_cast<int64_t>(queued + 1) || lagNs < -2 * periodNs) {
            anchorNs = wantedEndNs - periodNs;
            rendered = 0;
            startNs = anchorNs;
        }
        const int64_t endNs = startNs + periodNs;

        tap_->TakeSince(cursor, pending);
        changes.clear();
        size_t used = 0;
        for (; used < pending.size() && pending[used].ns < endNs; ++used) {
            const int64_t offsetNs = std::max<int64_t>(0, pending[used].ns - startNs);
            const auto at = static_cast<size_t>(offsetNs * kRate / 1'000'000'000);
            changes.push_back({std::min(at, period), pending[used].down});
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));

        shaper.SetPitch(hz_.load());
        shaper.Render(changes, samples);
        for (size_t i = 0; i < period; ++i) {
            SampleTo16(samples[i], &bytes[i * kBytesPerFrame]);
        }
        if (!Write(bytes.data(), period)) {
            return;
        }
        rendered += period;
    }
}

bool Sidetone::Player::Write(const unsigned char* data, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        if (ending_.load()) {
            return false;
        }
        const long r = pcm_.Write(data + done * kBytesPerFrame, frames - done);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r == 0 || r == -EAGAIN) {
            const PcmWait w = pcm_.Wait(kStallMs);
            if (w == PcmWait::Interrupted) {
                return false;
            }
            if (w != PcmWait::Ready) {
                Fail(SoundCode::kOutputTimeout);
                return false;
            }
            continue;
        }
        // A period that came too late (the device ran dry) or a suspend: play on.
        if (pcm_.Recover(static_cast<int>(r)) < 0) {
            Fail(SoundCodeOfAlsaError(static_cast<int>(r), false));
            return false;
        }
    }
    return true;
}

Sidetone::Sidetone() : tap_(std::make_shared<KeyEdgeTap>()) {}

Sidetone::~Sidetone() {
    Stop();
}

void Sidetone::Start(const SoundDeviceChoice& device, int hz, std::function<void(int)> failed) {
    Stop();
    auto player = std::make_shared<Player>(tap_, device, ClampPitch(hz), failed);
    try {
        player->thread = std::thread([player] { Player::Main(player); });
    } catch (const std::system_error&) {
        if (failed) {
            failed(SoundCode::kNoMemory);
        }
        return;
    }
    player_ = std::move(player);
}

void Sidetone::SetPitch(int hz) {
    if (player_) {
        player_->SetPitch(ClampPitch(hz));
    }
}

void Sidetone::Stop() {
    if (player_) {
        player_->End(kStopWaitMs);
        player_.reset();
    }
}

}  // namespace tarnwick
