#include "audio/SoundCardStream.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <system_error>

#include "audio/SoundCardErrors.h"
#include "platform/Event.h"

namespace tarnwick {

namespace {

constexpr unsigned kPeriods = SoundCardStream::kBuffers;
// Longest wait for the device in one go; a stop interrupts it anyway.
constexpr int kDeviceWaitMs = 500;
// How often playback looks whether its oldest buffer has been heard, at most.
constexpr int kPlayedPollMs = 20;
// A PCM that claims to be ready but moves nothing is asked again after this pause.
constexpr int kEmptyPollMs = 5;
// Recoveries in a row without any audio moved before the device counts as failed.
constexpr int kMaxRecoveries = 5;
// A sound server goes on reporting its own small latency as delay once everything has been
// played: a delay of at most a tenth of a second (this fraction of the rate) that stays the
// same for this long counts as nothing left to play. A device that stalls with more queued
// still ends in the owner's time-out.
constexpr unsigned kResidualFraction = 10;
constexpr auto kSettled = std::chrono::milliseconds(60);
// No device plays faster than its rate (allowing for a clock a little fast): this bounds what a
// server's delay, estimated from stale timing just after a write, can claim has been played.
constexpr double kFastestClock = 1.05;

int NextIndex(int i) {
    return (i + 1) % SoundCardStream::kBuffers;
}

}  // namespace

SoundCardStream::SoundCardStream(PcmDirection direction, std::mutex& lock, Event& wake,
                                 Completion done)
    : direction_(direction), lock_(lock), wake_(wake), done_(std::move(done)) {}

SoundCardStream::~SoundCardStream() {
    Close();
}

int SoundCardStream::Open(const std::string& name, const PcmFormat& format,
                          unsigned framesPerBuffer) {
    Close();
    if (name.empty()) {
        return SoundCode::kBadDeviceId;
    }
    auto pcm = std::make_unique<AlsaPcm>();
    // Non-blocking, so that a busy device fails at once instead of holding the caller.
    int err = pcm->Open(name, direction_, true);
    if (err < 0) {
        return SoundCodeOfAlsaError(err, false);
    }
    err = pcm->Configure(format, kPeriods, framesPerBuffer);
    if (err < 0) {
        return SoundCodeOfAlsaError(err, true);
    }
    frameBytes_ = format.blockAlign;
    rate_ = format.rate;
    pcm_ = std::move(pcm);
    return SoundCode::kNone;
}

bool SoundCardStream::Allocate(size_t bytes) {
    for (Buffer& b : buffers_) {
        b.data.reset(new (std::nothrow) unsigned char[bytes]);
        if (!b.data) {
            return false;
        }
        b.length = 0;
        b.queued = false;
    }
    return true;
}

bool SoundCardStream::Start(uint64_t bufferLimit) {
    {
        std::lock_guard guard(lock_);
        stopping_ = false;
        playing_ = false;
    }
    bufferLimit_ = bufferLimit;
    failedRecoveries_ = 0;
    try {
        thread_ = std::thread([this] {
            if (direction_ == PcmDirection::Capture) {
                RunCapture();
            } else {
                RunPlayback();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void SoundCardStream::Close() {
    if (thread_.joinable()) {
        {
            std::lock_guard guard(lock_);
            stopping_ = true;
        }
        work_.notify_all();
        pcm_->Interrupt();
        thread_.join();
    }
    if (pcm_) {
        pcm_->Drop();
        pcm_.reset();
    }
    std::lock_guard guard(lock_);
    for (Buffer& b : buffers_) {
        b.data.reset();
        b.length = 0;
        b.queued = false;
    }
    playing_ = false;
}

void SoundCardStream::QueueLocked(int index, size_t bytes) {
    Buffer& b = buffers_[static_cast<size_t>(index)];
    b.length = bytes;
    b.queued = true;
    work_.notify_all();
}

bool SoundCardStream::AnyQueuedLocked() const {
    return std::any_of(buffers_.begin(), buffers_.end(), [](const Buffer& b) { return b.queued; });
}

void SoundCardStream::RestartLocked() {
    playing_ = true;
    work_.notify_all();
}

void SoundCardStream::Complete(int index) {
    bool signal = false;
    {
        std::lock_guard guard(lock_);
        buffers_[static_cast<size_t>(index)].queued = false;
        signal = done_();
    }
    // Outside the lock: no lock is taken while another is held.
    if (signal) {
        wake_.Set();
    }
}

bool SoundCardStream::Await(long result, int timeoutMs) {
    if (result == 0 || result == -EAGAIN) {
        const PcmWait w = pcm_->Wait(timeoutMs);
        if (w == PcmWait::Interrupted || w == PcmWait::Failed) {
            return false;
        }
        // A PCM that has no audio yet may still poll as ready.
        return result != 0 || pcm_->Pause(kEmptyPollMs);
    }
    // An xrun (capture not read in time, playback run dry) is cured; a failed device is not.
    if (++failedRecoveries_ > kMaxRecoveries || pcm_->Recover(static_cast<int>(result)) < 0) {
        return false;
    }
    return true;
}

void SoundCardStream::Idle() {
    std::unique_lock guard(lock_);
    work_.wait(guard, [this] { return stopping_; });
}

void SoundCardStream::RunCapture() {
    int next = 0;
    size_t filled = 0;
    uint64_t completed = 0;
    for (;;) {
        {
            std::unique_lock guard(lock_);
            work_.wait(guard, [&] {
                return stopping_ || (buffers_[static_cast<size_t>(next)].queued &&
                                     (bufferLimit_ == 0 || completed < bufferLimit_));
            });
            if (stopping_) {
                return;
            }
        }
        Buffer& b = buffers_[static_cast<size_t>(next)];
        const long n = pcm_->Read(b.data.get() + filled, (b.length - filled) / frameBytes_);
        if (n > 0) {
            failedRecoveries_ = 0;
            filled += static_cast<size_t>(n) * frameBytes_;
            if (filled + frameBytes_ > b.length) {
                Complete(next);
                next = NextIndex(next);
                filled = 0;
                ++completed;
            }
            continue;
        }
        if (!Await(n, kDeviceWaitMs)) {
            Idle();
            return;
        }
    }
}

// Each queued buffer is written to the PCM as soon as playback runs and there is room; it is
// complete once the PCM's delay shows that its last frame has been played. A sound server's
// delay is taken with two corrections: its idle latency counts as nothing left, and nothing
// counts as played sooner than the rate allows.
void SoundCardStream::RunPlayback() {
    int feed = 0;      // next buffer to write to the PCM
    size_t sent = 0;   // bytes of it written so far
    int oldest = 0;    // oldest buffer written and not yet heard
    int inFlight = 0;  // buffers written and not yet heard
    uint64_t written = 0;
    std::array<uint64_t, kBuffers> endsAt{};
    uint64_t played = 0;
    long lastDelay = -1;
    auto delaySince = std::chrono::steady_clock::now();
    // Where playback last started from silence.
    uint64_t startPlayed = 0;
    auto startTime = delaySince;
    for (;;) {
        bool canFeed = false;
        {
            std::unique_lock guard(lock_);
            const auto feedable = [&] {
                return playing_ && inFlight < kBuffers &&
                       buffers_[static_cast<size_t>(feed)].queued;
            };
            if (inFlight == 0) {
                work_.wait(guard, [&] { return stopping_ || feedable(); });
            }
            if (stopping_) {
                return;
            }
            canFeed = feedable();
        }
        long result = 0;
        if (canFeed) {
            Buffer& b = buffers_[static_cast<size_t>(feed)];
            if (played == written) {
                startPlayed = played;
                startTime = std::chrono::steady_clock::now();
            }
            result = pcm_->Write(b.data.get() + sent, (b.length - sent) / frameBytes_);
            if (result > 0) {
                failedRecoveries_ = 0;
                sent += static_cast<size_t>(result) * frameBytes_;
                written += static_cast<uint64_t>(result);
                if (sent + frameBytes_ > b.length) {
                    endsAt[static_cast<size_t>(feed)] = written;
                    feed = NextIndex(feed);
                    sent = 0;
                    ++inFlight;
                }
                continue;
            }
            if (result != -EAGAIN && !Await(result, kDeviceWaitMs)) {
                Idle();
                return;
            }
            if (result == -EPIPE) {
                // The device ran dry between two buffers and has been restarted empty:
                // everything written before has been played, and nothing is left to ask it.
                played = written;
                lastDelay = -1;
                while (inFlight > 0) {
                    Complete(oldest);
                    oldest = NextIndex(oldest);
                    --inFlight;
                }
                continue;
            }
        }
        long delay = pcm_->DelayFrames();
        if (delay == -EPIPE) {
            delay = 0;  // ran dry: everything written has been played
        } else if (delay < 0) {
            Idle();
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (delay != lastDelay) {
            lastDelay = delay;
            delaySince = now;
        } else if (static_cast<unsigned long>(delay) <= rate_ / kResidualFraction &&
                   now - delaySince >= kSettled) {
            delay = 0;
        }
        const std::chrono::duration<double> running = now - startTime;
        const auto possible =
            startPlayed + static_cast<uint64_t>(running.count() * rate_ * kFastestClock);
        played = std::max(
            played, std::min(possible,
                             written - std::min<uint64_t>(written, static_cast<uint64_t>(delay))));
        while (inFlight > 0 && endsAt[static_cast<size_t>(oldest)] <= played) {
            Complete(oldest);
            oldest = NextIndex(oldest);
            --inFlight;
        }
        if (inFlight == 0 && result != -EAGAIN) {
            continue;
        }
        const uint64_t left = inFlight > 0 ? endsAt[static_cast<size_t>(oldest)] - played : 0;
        const int waitMs = static_cast<int>(
            std::clamp<uint64_t>(left * 1000 / std::max(1u, rate_), 1, kPlayedPollMs));
        if (result == -EAGAIN) {
            // The PCM is full: only its progress can change anything.
            if (pcm_->Wait(waitMs) == PcmWait::Interrupted) {
                Idle();
                return;
            }
            continue;
        }
        std::unique_lock guard(lock_);
        work_.wait_for(guard, std::chrono::milliseconds(waitMs), [&] {
            return stopping_ ||
                   (playing_ && inFlight < kBuffers && buffers_[static_cast<size_t>(feed)].queued);
        });
    }
}

}  // namespace tarnwick
