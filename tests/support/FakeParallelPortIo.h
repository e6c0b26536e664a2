#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "ports/ParallelPortIo.h"
#include "support/FakeHardwareLog.h"

namespace tarnwick::test {

// What a fake parallel port saw and what its status register returns; outlives the port.
struct FakeParallelState {
    std::atomic<uint16_t> status{0};
    std::atomic<int> statusReads{0};
    std::atomic<int> lastStatusPort{-1};

    std::vector<uint16_t> Writes() const {
        std::lock_guard lock(mutex);
        return writes;
    }

    mutable std::mutex mutex;
    std::vector<uint16_t> writes;  // every control value, in order
};

// A parallel port's registers at the seam this machine has no hardware for. Records each
// control write as "out 0x37a 0x28" (the register's address and the value) and counts status
// reads with the address read.
class FakeParallelPortIo : public ParallelPortIo {
public:
    FakeParallelPortIo(uint16_t baseAddress, std::shared_ptr<FakeHardwareLog> log,
                       std::shared_ptr<FakeParallelState> state);

    void WriteControl(uint16_t value) override;
    uint16_t ReadStatus() override;

private:
    const uint16_t base_;
    std::shared_ptr<FakeHardwareLog> log_;
    std::shared_ptr<FakeParallelState> state_;
};

}  // namespace tarnwick::test
