#include "send/WavePlayback.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "platform/TimeBase.h"

namespace tarnwick {

namespace {

// A device that takes no data for this long has gone away.
constexpr int kStallMs = 2000;
// Longest sleep while the last periods play out, so a stop is seen at once.
constexpr int kDrainSliceMs = 50;

}  // namespace

std::shared_ptr<WavePlayback> WavePlayback::Create() {
    std::shared_ptr<WavePlayback> p(new WavePlayback());
    try {
        p->thread_ = std::thread([self = p] { Main(self); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return p;
}

WavePlayback::~WavePlayback() {
    // Only reached without End when the thread has already let go of the playback.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

bool WavePlayback::Run(Step step, std::span<Event* const> stops) {
    {
        std::lock_guard lock(mutex_);
        step_ = std::move(step);
    }
    wake_.Set();
    // Stops first: a stop that is already signalled wins even over a step that is quick.
    Event* events[4] = {};
    size_t n = 0;
    for (Event* e : stops) {
        if (e != nullptr && n + 1 < std::size(events)) {
            events[n++] = e;
        }
    }
    events[n] = &stepDone_;
    // The device works in real time whatever clock the caller keeps.
    return RealTime().WaitAny(std::span<Event* const>(events, n + 1), kForever) ==
           static_cast<int>(n);
}

void WavePlayback::SetData(std::unique_ptr<unsigned char[]> data, size_t frames, unsigned rate) {
    data_ = std::move(data);
    frames_ = frames;
    rate_ = rate;
}

void WavePlayback::StartPlaying() {
    long first = 0;
    if (frames_ > 0) {
        first = device_.Write(data_.get(), std::min<size_t>(frames_, device_.PeriodFrames()));
        if (first == -EAGAIN) {
            first = 0;
        }
    }
    result = static_cast<int>(first);
    if (first >= 0) {
        next_ = static_cast<size_t>(first);
        playing_ = true;
    }
}

void WavePlayback::End(uint32_t waitMs) {
    ending_ = true;
    device_.Interrupt();
    wake_.Set();
    if (RealTime().WaitFor(over_, waitMs)) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void WavePlayback::Main(std::shared_ptr<WavePlayback> self) {
    WavePlayback& p = *self;
    while (!p.ending_) {
        RealTime().WaitAnyForever({&p.wake_});
        Step step;
        {
            std::lock_guard lock(p.mutex_);
            step = std::move(p.step_);
            p.step_ = nullptr;
        }
        if (step && !p.ending_) {
            step(p);
            p.stepDone_.Set();
        }
        if (p.playing_) {
            p.Feed();
            break;
        }
    }
    if (p.device_.IsOpen()) {
        p.device_.Drop();
        p.device_.Close();
    }
    p.data_.reset();
    p.over_.Set();
}

// Feeds the buffer period by period, then lets the queue play out. A stop interrupts every wait
// in here at once; a device that takes nothing for kStallMs has failed.
void WavePlayback::Feed() {
    using Clock = std::chrono::steady_clock;
    const size_t frameBytes = device_.BytesPerFrame();
    const size_t period = std::max<size_t>(1, device_.PeriodFrames());
    auto lastProgress = Clock::now();
    while (next_ < frames_ && !ending_) {
        const long n =
            device_.Write(data_.get() + next_ * frameBytes, std::min(period, frames_ - next_));
        if (n > 0) {
            next_ += static_cast<size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (ending_) {
            return;
        }
        if (Clock::now() - lastProgress > std::chrono::milliseconds(kStallMs)) {
            failed_ = true;
            return;
        }
        if (n == 0 || n == -EAGAIN) {
            const PcmWait w = device_.Wait(kStallMs);
            if (w == PcmWait::Interrupted) {
                return;
            }
            if (w == PcmWait::Failed) {
                failed_ = !ending_;
                return;
            }
            continue;
        }
        // An underrun (a stalled machine) is a gap, not the end of the message.
        if (device_.Recover(static_cast<int>(n)) < 0) {
            failed_ = !ending_;
            return;
        }
    }
    if (!ending_) {
        PlayOut();
    }
}

// Waits until what is queued has been heard: for as long as the queue takes to play, then for
// as long as the device still makes progress (a sound server keeps reporting its own small
// latency when idle, so the queue never reads empty there). Sleeps in short slices that a stop
// cuts short.
void WavePlayback::PlayOut() {
    long delay = device_.DelayFrames();
    if (delay <= 0 || rate_ == 0) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const auto queueTime = std::chrono::milliseconds(static_cast<int64_t>(delay) * 1000 / rate_);
    const auto expectedEnd = Clock::now() + queueTime;
    const auto giveUp = expectedEnd + std::chrono::milliseconds(kStallMs);
    long previous = delay;
    for (auto now = Clock::now(); now < giveUp && !ending_; now = Clock::now()) {
        const auto untilEnd =
            std::chrono::duration_cast<std::chrono::milliseconds>(expectedEnd - now).count();
        if (!device_.Pause(static_cast<int>(std::clamp<int64_t>(untilEnd, 1, kDrainSliceMs)))) {
            return;
        }
        delay = device_.DelayFrames();
        if (delay <= 0 || (Clock::now() >= expectedEnd && delay >= previous)) {
            return;
        }
        previous = delay;
    }
}

}  // namespace tarnwick
