#pragma once

#include <string>

#include "ports/KeyingHardware.h"
#include "ports/SerialLines.h"

namespace tarnwick {

// The modem lines of a serial device node, driven with the terminal modem-line ioctls. The port
// is held exclusively (against other openers and other instances of the keyer) while open.
class TermiosSerialLines final : public SerialLines {
public:
    // Opens `path` and clears RTS and DTR at once (the serial core raises both on open).
    // A path that does not exist or has no device or UART behind it is NotAvailable; anything else
    // that fails, including a path that is not a terminal or a port in use, is CannotOpen.
    static SerialOpenResult Open(const std::string& path);

private:
    struct Key {
        explicit Key() = default;
    };

public:
    // Only Open can make the key; the constructor is public for make_shared.
    TermiosSerialLines(Key, int fd) : fd_(fd) {}

    // Drops both lines, then closes.
    ~TermiosSerialLines() override;
    TermiosSerialLines(const TermiosSerialLines&) = delete;
    TermiosSerialLines& operator=(const TermiosSerialLines&) = delete;

    bool SetRts() override;
    bool ClearRts() override;
    bool SetDtr() override;
    bool ClearDtr() override;
    std::optional<uint32_t> ModemStatus() override;

private:
    bool Change(unsigned long request, int bits);

    const int fd_;
};

}  // namespace tarnwick
