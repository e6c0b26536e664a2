#include "support/FakeSerialLines.h"

namespace tarnwick::test {

FakeSerialLines::FakeSerialLines(std::string path, std::shared_ptr<FakeHardwareLog> log,
                                 std::shared_ptr<FakeSerialInputs> inputs)
    : path_(std::move(path)), log_(std::move(log)), inputs_(std::move(inputs)) {}

FakeSerialLines::~FakeSerialLines() {
    rts_ = false;
    dtr_ = false;
    log_->Add(path_ + " close");
}

bool FakeSerialLines::Change(std::atomic<bool>& line, const char* name, bool on) {
    line = on;
    log_->Add(path_ + " " + name + (on ? " on" : " off"));
    return true;
}

bool FakeSerialLines::SetRts() {
    return Change(rts_, "rts", true);
}

bool FakeSerialLines::ClearRts() {
    return Change(rts_, "rts", false);
}

bool FakeSerialLines::SetDtr() {
    return Change(dtr_, "dtr", true);
}

bool FakeSerialLines::ClearDtr() {
    return Change(dtr_, "dtr", false);
}

std::optional<uint32_t> FakeSerialLines::ModemStatus() {
    inputs_->statusReads.fetch_add(1);
    if (inputs_->statusFails.load()) {
        return std::nullopt;
    }
    return inputs_->status.load();
}

}  // namespace tarnwick::test
