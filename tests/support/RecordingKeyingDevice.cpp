#include "support/RecordingKeyingDevice.h"

namespace tarnwick::test {

void DeviceLog::Add(std::string what) {
    const int64_t now = time_.NowNs();
    std::lock_guard lock(mutex_);
    calls_.push_back({now, std::move(what)});
}

std::vector<DeviceCall> DeviceLog::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> DeviceLog::What() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& c : calls_) {
        out.push_back(c.what);
    }
    return out;
}

}  // namespace tarnwick::test
