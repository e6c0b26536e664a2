#include "support/FakeParallelPortIo.h"

#include <cstdio>

namespace tarnwick::test {

FakeParallelPortIo::FakeParallelPortIo(uint16_t baseAddress, std::shared_ptr<FakeHardwareLog> log,
                                       std::shared_ptr<FakeParallelState> state)
    : base_(baseAddress), log_(std::move(log)), state_(std::move(state)) {}

void FakeParallelPortIo::WriteControl(uint16_t value) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "out 0x%03x 0x%02x", base_ + 2u, value);
    {
        std::lock_guard lock(state_->mutex);
        state_->writes.push_back(value);
    }
    log_->Add(entry);
}

uint16_t FakeParallelPortIo::ReadStatus() {
    state_->lastStatusPort = base_ + 1;
    state_->statusReads.fetch_add(1);
    return state_->status.load();
}

}  // namespace tarnwick::test
