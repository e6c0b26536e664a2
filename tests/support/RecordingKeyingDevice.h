#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/TimeBase.h"
#include "ports/KeyingDevice.h"

namespace tarnwick::test {

struct DeviceCall {
    int64_t atNs;
    std::string what;  // "ptt on", "ptt off", "down", "up", "text ..."
};

// Shared log of the calls a fake device received, with the clock's time of each.
class DeviceLog {
public:
    explicit DeviceLog(TimeBase& time) : time_(time) {}
    void Add(std::string what);
    std::vector<DeviceCall> Calls() const;
    std::vector<std::string> What() const;

private:
    TimeBase& time_;
    mutable std::mutex mutex_;
    std::vector<DeviceCall> calls_;
};

// A keying device at the seam this machine has no hardware for: records what it was asked.
class RecordingKeyingDevice : public KeyingDevice {
public:
    RecordingKeyingDevice(std::shared_ptr<DeviceLog> log, std::string prefix = "")
        : log_(std::move(log)), prefix_(std::move(prefix)) {}
    void PttOn() override { log_->Add(prefix_ + "ptt on"); }
    bool PttOff() override {
        log_->Add(prefix_ + "ptt off");
        return true;
    }
    void KeyDown() override { log_->Add(prefix_ + "down"); }
    void KeyUp() override { log_->Add(prefix_ + "up"); }
    void SendText(const std::string& text) override { log_->Add(prefix_ + "text " + text); }

private:
    std::shared_ptr<DeviceLog> log_;
    std::string prefix_;
};

}  // namespace tarnwick::test
