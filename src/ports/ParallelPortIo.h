#pragma once

#include <cstdint>

namespace tarnwick {

// The two registers of a claimed parallel port the keyer uses: control (base + 2) out and
// status (base + 1) in. Callers serialise access (the ParallelPort holds a lock).
class ParallelPortIo {
public:
    virtual ~ParallelPortIo() = default;
    // Only the low byte reaches the control register.
    virtual void WriteControl(uint16_t value) = 0;
    virtual uint16_t ReadStatus() = 0;
};

}  // namespace tarnwick
