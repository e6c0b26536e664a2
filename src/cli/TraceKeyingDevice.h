#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ports/KeyingDevice.h"

namespace tarnwick {
class TimeBase;
}

namespace tarnwick::cli {

// Collects timestamped key and PTT events from the keying thread; another thread prints them,
// so a slow terminal can never delay an edge.
class TraceLog {
public:
    TraceLog(TimeBase& time, std::FILE* out);
    void Add(const char* what, char c = 0);
    // Prints what has come in since the last call, one line each: seconds since the log was
    // made, with microseconds, then the event.
    void Flush();

private:
    struct Entry {
        int64_t atNs;
        const char* what;
        char c;
    };
    TimeBase& time_;
    std::FILE* out_;
    const int64_t startNs_;
    std::mutex mutex_;
    std::vector<Entry> pending_;
    std::vector<Entry> printing_;
};

// Traces the lines as a transmitter would see them: a line that is set to the state it already
// has makes no new edge and no line.
class TraceKeyingDevice : public KeyingDevice {
public:
    explicit TraceKeyingDevice(std::shared_ptr<TraceLog> log) : log_(std::move(log)) {}
    void PttOn() override { Change(ptt_, true, "ptt on"); }
    bool PttOff() override {
        Change(ptt_, false, "ptt off");
        return true;
    }
    void KeyDown() override { Change(key_, true, "key down"); }
    void KeyUp() override { Change(key_, false, "key up"); }

private:
    void Change(bool& line, bool on, const char* what) {
        if (line != on) {
            line = on;
            log_->Add(what);
        }
    }

    std::shared_ptr<TraceLog> log_;
    bool ptt_ = false;
    bool key_ = false;
};

}  // namespace tarnwick::cli
