#pragma once

#include <optional>
#include <string>

#include "ports/KeyingHardware.h"

namespace tarnwick {

// The machine's real keying hardware: serial ports through the terminal modem-line ioctls, the
// parallel port through the kernel's parallel port driver nodes, or, when no node has the
// address, through direct port access where the process may use it.
class LinuxKeyingHardware final : public KeyingHardware {
public:
    struct Places {
        // One directory per port (parportN) with a base-addr file.
        std::string parportInfoDir = "/proc/sys/dev/parport";
        // Where the parportN nodes are.
        std::string deviceDir = "/dev";
        bool allowDirectPortAccess = true;
    };

    LinuxKeyingHardware() = default;
    explicit LinuxKeyingHardware(Places places) : places_(std::move(places)) {}

    SerialOpenResult OpenSerial(const std::string& devicePath) override;
    std::unique_ptr<ParallelPortIo> OpenParallel(uint16_t baseAddress, std::string* why) override;

    // The parportN node whose first base address is `baseAddress`, if any.
    std::optional<std::string> FindParportNode(uint16_t baseAddress) const;

private:
    Places places_;
};

}  // namespace tarnwick
