#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tarnwick {

class SerialLines;
class ParallelPortIo;

// Why a serial port could not be opened; the two cases have different messages.
enum class SerialOpenError { None, NotAvailable, CannotOpen };

struct SerialOpenResult {
    std::shared_ptr<SerialLines> lines;  // null on failure
    SerialOpenError error = SerialOpenError::None;
};

// The machine's keying hardware: serial modem lines and the parallel port. The program uses
// the Linux adapters; tests use fakes of the same interface, since these machines have neither.
class KeyingHardware {
public:
    virtual ~KeyingHardware() = default;
    // Opens the device at `devicePath` (the path stored for the port's COM number) with both
    // output lines cleared at once.
    virtual SerialOpenResult OpenSerial(const std::string& devicePath) = 0;
    // Claims the parallel port at `baseAddress`; null (with the reason in *why) when there is
    // no way to reach it.
    virtual std::unique_ptr<ParallelPortIo> OpenParallel(uint16_t baseAddress,
                                                         std::string* why) = 0;
};

}  // namespace tarnwick
