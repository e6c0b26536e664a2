#pragma once

#include <cstdint>
#include <optional>

namespace tarnwick {

// Modem status bits as the keyer tests them.
inline constexpr uint32_t kModemCtsOn = 0x10;
inline constexpr uint32_t kModemDsrOn = 0x20;

// The modem lines of one open serial port: RTS and DTR out, CTS and DSR in. Each operation is
// one system call, safe to make from several threads. Closing the port (destroying the object)
// drops both output lines.
class SerialLines {
public:
    virtual ~SerialLines() = default;
    // False when the port refused the change.
    virtual bool SetRts() = 0;
    virtual bool ClearRts() = 0;
    virtual bool SetDtr() = 0;
    virtual bool ClearDtr() = 0;
    // kModemCtsOn / kModemDsrOn bits, or nothing when the status cannot be read.
    virtual std::optional<uint32_t> ModemStatus() = 0;
};

}  // namespace tarnwick
