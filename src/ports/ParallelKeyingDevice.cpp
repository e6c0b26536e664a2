#include "ports/ParallelKeyingDevice.h"

#include "ports/InhibitArmed.h"
#include "ports/InhibitWatcher.h"
#include "ports/ParallelPort.h"

namespace tarnwick {

ParallelKeyingDevice::ParallelKeyingDevice(ParallelPort& port, ParallelFunction function,
                                           NoticeSink& view)
    : port_(port) {
    if (function == ParallelFunction::Inhibit) {
        watcher_ = std::make_unique<InhibitWatcher>(view, [this] { return port_.InhibitInput(); });
    } else {
        InhibitArmed.store(0);
    }
}

ParallelKeyingDevice::~ParallelKeyingDevice() = default;

bool ParallelKeyingDevice::IsWatching() const {
    return watcher_ && watcher_->IsWatching();
}

void ParallelKeyingDevice::PttOn() {
    InhibitArmed.store(1);
    port_.SetControlBits(kControlPtt);
}

bool ParallelKeyingDevice::PttOff() {
    port_.ClearControlBits(kControlPtt);
    return true;
}

void ParallelKeyingDevice::KeyDown() {
    port_.ClearControlBits(kControlKeyUp);
}

void ParallelKeyingDevice::KeyUp() {
    port_.SetControlBits(kControlKeyUp);
}

}  // namespace tarnwick
