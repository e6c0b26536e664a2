#include "support/FakeKeyingHardware.h"

#include <cstdio>

namespace tarnwick::test {

SerialOpenResult FakeKeyingHardware::OpenSerial(const std::string& devicePath) {
    log_->Add("open " + devicePath);
    std::lock_guard lock(mutex_);
    ++opens_[devicePath];
    const auto failure = serialFailures_.find(devicePath);
    if (failure != serialFailures_.end() && failure->second != SerialOpenError::None) {
        return {nullptr, failure->second};
    }
    auto lines = std::make_shared<FakeSerialLines>(devicePath, log_, InputsLocked(devicePath));
    open_[devicePath] = lines;
    return {lines, SerialOpenError::None};
}

std::unique_ptr<ParallelPortIo> FakeKeyingHardware::OpenParallel(uint16_t baseAddress,
                                                                 std::string* why) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "open parallel 0x%03x", baseAddress);
    log_->Add(entry);
    std::lock_guard lock(mutex_);
    if (!parallelFailure_.empty()) {
        if (why) {
            *why = parallelFailure_;
        }
        return nullptr;
    }
    return std::make_unique<FakeParallelPortIo>(baseAddress, log_, parallel_);
}

void FakeKeyingHardware::FailSerial(const std::string& devicePath, SerialOpenError error) {
    std::lock_guard lock(mutex_);
    serialFailures_[devicePath] = error;
}

void FakeKeyingHardware::FailParallel(std::string why) {
    std::lock_guard lock(mutex_);
    parallelFailure_ = std::move(why);
}

FakeSerialInputs& FakeKeyingHardware::SerialInputs(const std::string& devicePath) {
    std::lock_guard lock(mutex_);
    return *InputsLocked(devicePath);
}

std::shared_ptr<FakeSerialInputs> FakeKeyingHardware::InputsLocked(const std::string& devicePath) {
    auto& inputs = inputs_[devicePath];
    if (!inputs) {
        inputs = std::make_shared<FakeSerialInputs>();
    }
    return inputs;
}

std::shared_ptr<FakeSerialLines> FakeKeyingHardware::OpenPort(const std::string& devicePath) const {
    std::lock_guard lock(mutex_);
    const auto it = open_.find(devicePath);
    return it == open_.end() ? nullptr : it->second.lock();
}

int FakeKeyingHardware::SerialOpenCount(const std::string& devicePath) const {
    std::lock_guard lock(mutex_);
    const auto it = opens_.find(devicePath);
    return it == opens_.end() ? 0 : it->second;
}

std::vector<std::string> FakeKeyingHardware::LineChanges(const std::string& devicePath,
                                                         const std::string& line) const {
    const std::string set = devicePath + " " + line + " on";
    const std::string clear = devicePath + " " + line + " off";
    std::vector<std::string> out;
    bool on = false;
    for (const std::string& e : Log()) {
        if ((e == set && !on) || (e == clear && on)) {
            on = !on;
            out.push_back(line + (on ? " on" : " off"));
        }
    }
    return out;
}

}  // namespace tarnwick::test
