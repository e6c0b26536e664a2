#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ports/ParallelPortIo.h"

namespace tarnwick {

// A parallel port reached with direct port input/output, for machines where no parallel port
// driver node has the address. Needs the right to use ioperm (CAP_SYS_RAWIO).
class RawParallelPortIo final : public ParallelPortIo {
public:
    // Null, with the reason in *why, when the process may not reach the port.
    static std::unique_ptr<ParallelPortIo> Open(uint16_t baseAddress, std::string* why);

private:
    struct Key {
        explicit Key() = default;
    };

public:
    // Only Open can make the key; the constructor is public for make_unique.
    RawParallelPortIo(Key, uint16_t baseAddress) : base_(baseAddress) {}
    ~RawParallelPortIo() override;
    RawParallelPortIo(const RawParallelPortIo&) = delete;
    RawParallelPortIo& operator=(const RawParallelPortIo&) = delete;

    void WriteControl(uint16_t value) override;
    uint16_t ReadStatus() override;

private:
    const uint16_t base_;
};

}  // namespace tarnwick
