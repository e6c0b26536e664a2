#pragma once

#include <memory>
#include <string>

#include "ports/ParallelPortIo.h"

namespace tarnwick {

// A parallel port reached through the kernel's user-space parallel port driver (/dev/parportN),
// claimed for as long as the object lives.
class PpdevParallelPortIo final : public ParallelPortIo {
public:
    // Null, with the reason in *why, when the node cannot be opened or claimed.
    static std::unique_ptr<ParallelPortIo> Open(const std::string& path, std::string* why);

private:
    struct Key {
        explicit Key() = default;
    };

public:
    // Only Open can make the key; the constructor is public for make_unique.
    PpdevParallelPortIo(Key, int fd) : fd_(fd) {}
    ~PpdevParallelPortIo() override;
    PpdevParallelPortIo(const PpdevParallelPortIo&) = delete;
    PpdevParallelPortIo& operator=(const PpdevParallelPortIo&) = delete;

    void WriteControl(uint16_t value) override;
    uint16_t ReadStatus() override;

private:
    const int fd_;
};

}  // namespace tarnwick
