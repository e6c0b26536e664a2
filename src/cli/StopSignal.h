#pragma once

#include <atomic>
#include <thread>

#include "platform/Event.h"

namespace tarnwick::cli {

// Turns SIGINT and SIGTERM into a stop: the flag and the (manual-reset) event are set from an
// ordinary thread, woken through a pipe by the async-signal-safe handler.
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    std::atomic<int>& Flag() { return flag_; }
    Event& StopEvent() { return event_; }
    bool Stopped() const { return flag_.load() != 0; }
    // Ends the watcher without a stop (the work finished).
    void Close();

private:
    std::atomic<int> flag_{0};
    Event event_{ResetMode::Manual};
    std::thread watcher_;
    int pipe_[2] = {-1, -1};
};

}  // namespace tarnwick::cli
