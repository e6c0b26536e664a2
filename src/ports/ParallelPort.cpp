#include "ports/ParallelPort.h"

#include <cstdio>

#include "ports/KeyingHardware.h"
#include "ports/ParallelPortIo.h"

namespace tarnwick {

ParallelPort::ParallelPort(KeyingHardware& hardware, int16_t address, bool so2r)
    // Addresses above 0x7FFF (many add-in cards) arrive as negative numbers.
    : address_(static_cast<uint16_t>(address)) {
    std::string why;
    io_ = hardware.OpenParallel(address_, &why);
    if (!io_) {
        char head[96];
        std::snprintf(head, sizeof head, "ERROR: Parallel port %X is not available.", address_);
        problem_ = why.empty() ? head : std::string(head) + " (" + why + ")";
        return;
    }
    Update(so2r ? kControlTwoRadio : 0, 0);
}

ParallelPort::~ParallelPort() {
    std::lock_guard lock(mutex_);
    shadow_ = kControlParked;
    if (io_) {
        io_->WriteControl(shadow_);
    }
}

void ParallelPort::SetTwoRadio(bool on) {
    if (on) {
        Update(kControlTwoRadio, 0);
    } else {
        Update(0, kControlTwoRadio);
    }
}

void ParallelPort::SetControlBits(uint16_t mask) {
    Update(mask, 0);
}

void ParallelPort::ClearControlBits(uint16_t mask) {
    Update(0, mask);
}

bool ParallelPort::InhibitInput() {
    std::lock_guard lock(mutex_);
    return io_ && (io_->ReadStatus() & kStatusInhibit) != 0;
}

uint16_t ParallelPort::Shadow() const {
    std::lock_guard lock(mutex_);
    return shadow_;
}

void ParallelPort::Update(uint16_t set, uint16_t clear) {
    std::lock_guard lock(mutex_);
    shadow_ = static_cast<uint16_t>((shadow_ | set) & ~clear);
    if (io_) {
        io_->WriteControl(shadow_);
    }
}

}  // namespace tarnwick
