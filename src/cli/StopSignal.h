#pragma once

#include <atomic>
#include <thread>

#include "platform/Event.h"

namespace tarnwick::cli {

// Turns every way a command-line user ends a program into a stop: SIGINT, SIGTERM, SIGHUP (the
// terminal or the ssh session went away), SIGQUIT, and a reader of standard output that went
// away (`send ... | head -c 2`). The flag and the (manual-reset) event are set from an ordinary
// thread, woken through a pipe by the async-signal-safe handler. SIGPIPE is ignored for the rest
// of the process, so a write to a closed pipe fails instead of killing the program with the
// transmitter keyed. A SIGHUP, SIGINT or SIGQUIT the program was started with ignored (nohup, a
// background job) stays ignored: whoever started it asked for that.
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
    void Watch();
    void Raise();

    std::atomic<int> flag_{0};
    Event event_{ResetMode::Manual};
    std::thread watcher_;
    int pipe_[2] = {-1, -1};
    // Bit per handled signal, in the order of the list in the source.
    unsigned installed_ = 0;
    // Standard output, when it is a pipe or a socket whose reader can go away; else -1.
    int output_ = -1;
};

}  // namespace tarnwick::cli
