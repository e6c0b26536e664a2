#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "ports/SerialLines.h"
#include "support/FakeHardwareLog.h"

namespace tarnwick::test {

// The inputs of one fake serial device, kept per device path so that a test can set them before
// the port is opened and after it was closed.
struct FakeSerialInputs {
    std::atomic<uint32_t> status{0};  // kModemCtsOn / kModemDsrOn
    std::atomic<bool> statusFails{false};
    std::atomic<int> statusReads{0};
};

// A serial port's modem lines at the seam this machine has no hardware for. Records each line
// change as "<path> rts on", "<path> dtr off", ... and its closing as "<path> close". Opens
// with both lines down, and closing drops them, as the real adapter does.
class FakeSerialLines : public SerialLines {
public:
    FakeSerialLines(std::string path, std::shared_ptr<FakeHardwareLog> log,
                    std::shared_ptr<FakeSerialInputs> inputs);
    ~FakeSerialLines() override;

    bool SetRts() override;
    bool ClearRts() override;
    bool SetDtr() override;
    bool ClearDtr() override;
    std::optional<uint32_t> ModemStatus() override;

    bool Rts() const { return rts_.load(); }
    bool Dtr() const { return dtr_.load(); }

private:
    bool Change(std::atomic<bool>& line, const char* name, bool on);

    const std::string path_;
    std::shared_ptr<FakeHardwareLog> log_;
    std::shared_ptr<FakeSerialInputs> inputs_;
    std::atomic<bool> rts_{false};
    std::atomic<bool> dtr_{false};
};

}  // namespace tarnwick::test
