#pragma once

#include <atomic>
#include <thread>

namespace tarnwick {

// Decides which of two threads disposes of a worker thread: the worker ending itself or the
// thread destroying its owner. Never blocks: a thread that finds another owner simply fails and
// leaves the disposal to it. The owner may acquire again (counted).
class RecursiveTryLock {
public:
    RecursiveTryLock() = default;
    // Releases once, as the last hand-over of the owner.
    ~RecursiveTryLock();
    RecursiveTryLock(const RecursiveTryLock&) = delete;
    RecursiveTryLock& operator=(const RecursiveTryLock&) = delete;

    // True when the caller now owns the lock (first time or once more).
    bool TryAcquire();
    // True when the caller owned the lock; it is free again once every acquire was released.
    bool Release();

private:
    void EnterSpin();
    void LeaveSpin();

    std::atomic<int> spin_{0};
    // Guarded by spin_.
    std::thread::id owner_{};
    int count_ = 0;
};

}  // namespace tarnwick
