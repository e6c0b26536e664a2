#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/AlsaPcm.h"

namespace tarnwick {

class Event;

// The device side of one direction of a SoundCard: the ALSA PCM, the three driver buffers and
// the thread that moves audio between them. The owner queues a buffer; the thread fills it
// from the capture PCM, or writes it to the playback PCM and waits until it has been heard,
// and then hands it back through the completion, in ring order, once per buffer.
//
// Queue state is guarded by the owner's lock: methods ending in Locked need it held, and the
// completion runs on the thread with it held. A queued buffer's data belongs to the thread
// until its completion; every other buffer belongs to the owner.
class SoundCardStream {
public:
    static constexpr int kBuffers = 3;
    // Returns whether the owner's waiting thread is to be woken through `wake`.
    using Completion = std::function<bool()>;

    SoundCardStream(PcmDirection direction, std::mutex& lock, Event& wake, Completion done);
    ~SoundCardStream();
    SoundCardStream(const SoundCardStream&) = delete;
    SoundCardStream& operator=(const SoundCardStream&) = delete;

    // Opens `name` with three periods of about `framesPerBuffer`; 0 or a sound error code.
    int Open(const std::string& name, const PcmFormat& format, unsigned framesPerBuffer);
    // Gives each buffer `bytes` of storage; false when memory runs out.
    bool Allocate(size_t bytes);
    // Starts the thread; capture stops taking audio after `bufferLimit` buffers (0: never).
    // Playback starts paused. False if no thread can be started.
    bool Start(uint64_t bufferLimit);
    // Stops the thread at once, drops whatever is queued, closes the PCM and frees the buffers.
    void Close();
    bool IsOpen() const { return pcm_ != nullptr; }

    unsigned char* Data(int index) { return buffers_[static_cast<size_t>(index)].data.get(); }

    // Hands buffer `index` to the device: `bytes` to fill or to play.
    void QueueLocked(int index, size_t bytes);
    bool QueuedLocked(int index) const { return buffers_[static_cast<size_t>(index)].queued; }
    bool AnyQueuedLocked() const;
    // Playback: lets what is queued play.
    void RestartLocked();
    bool PausedLocked() const { return !playing_; }

private:
    struct Buffer {
        std::unique_ptr<unsigned char[]> data;
        size_t length = 0;
        bool queued = false;
    };

    void RunCapture();
    void RunPlayback();
    // Hands buffer `index` back; takes the lock.
    void Complete(int index);
    // After a transfer that moved nothing: waits for the device or recovers it. False when the
    // thread is to end its work (a stop, or a device that has failed).
    bool Await(long result, int timeoutMs);
    // Keeps the thread, doing nothing, until Close: a failed device gives no more completions,
    // so the owner's bounded wait reports it.
    void Idle();

    const PcmDirection direction_;
    std::mutex& lock_;
    Event& wake_;
    const Completion done_;

    std::unique_ptr<AlsaPcm> pcm_;
    std::array<Buffer, kBuffers> buffers_;
    size_t frameBytes_ = 0;
    unsigned rate_ = 0;
    uint64_t bufferLimit_ = 0;
    int failedRecoveries_ = 0;
    std::thread thread_;

    // Guarded by lock_.
    std::condition_variable work_;
    bool stopping_ = false;
    bool playing_ = false;
};

}  // namespace tarnwick
