#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "platform/AlsaPcm.h"
#include "platform/Event.h"

namespace tarnwick {

// One playback of one output device, run by a thread of its own. Every call on the device is
// made on that thread, because a sound server can freeze in the middle of any of them (opening,
// writing, dropping, closing) for half a minute: then only this thread is held. Whoever waits for
// it can give up, and the playback closes the device by itself once the call returns; it owns
// everything it touches, so it may outlive its owner.
class WavePlayback {
public:
    using Step = std::function<void(WavePlayback&)>;

    // Starts the thread; null when no thread can be made.
    static std::shared_ptr<WavePlayback> Create();
    ~WavePlayback();
    WavePlayback(const WavePlayback&) = delete;
    WavePlayback& operator=(const WavePlayback&) = delete;

    // Runs `step` on the playback's thread and waits until it is done or one of `stops` is
    // signalled. False when a stop came first: the step may still be running, and nothing it
    // produces may be used. A step captures by value what it needs from the caller.
    bool Run(Step step, std::span<Event* const> stops);

    // For steps: the device, and the result a step leaves for its caller.
    AlsaPcm& Device() { return device_; }
    int result = 0;

    // Before the starting step: the whole sample data to play.
    void SetData(std::unique_ptr<unsigned char[]> data, size_t frames, unsigned rate);
    // The starting step: writes the first period (so that a device that takes nothing fails at
    // once) and leaves the frame count written, or the error, in `result`. On success the thread
    // goes on to play the rest when the step is done.
    void StartPlaying();

    // Signalled once the playback is over (played out, failed or ended) and the device closed.
    Event& Over() { return over_; }
    // The device failed during playback: the sound did not all go out.
    bool Failed() const { return failed_.load(); }
    // Stops feeding the device, which is then dropped and closed on the playback's thread.
    // Waits up to `waitMs` for that; a device that takes longer is left to close by itself.
    // For the owner, once.
    void End(uint32_t waitMs);

private:
    WavePlayback() = default;
    static void Main(std::shared_ptr<WavePlayback> self);
    void Feed();
    void PlayOut();

    AlsaPcm device_;
    std::unique_ptr<unsigned char[]> data_;
    size_t frames_ = 0;
    size_t next_ = 0;
    unsigned rate_ = 0;
    bool playing_ = false;

    std::mutex mutex_;
    Step step_;  // guarded by mutex_
    Event wake_{ResetMode::Auto};
    Event stepDone_{ResetMode::Auto};
    Event over_{ResetMode::Manual};
    std::atomic<bool> ending_{false};
    std::atomic<bool> failed_{false};
    std::thread thread_;
};

}  // namespace tarnwick
