#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ports/KeyingHardware.h"
#include "support/FakeHardwareLog.h"
#include "support/FakeParallelPortIo.h"
#include "support/FakeSerialLines.h"

namespace tarnwick::test {

// Keying hardware for tests: serial ports and a parallel port that record every line operation
// in one ordered log ("open /dev/ttyS0", "/dev/ttyS0 rts on", "open parallel 0x378",
// "out 0x37a 0x28", ...). Opens can be made to fail with either error.
class FakeKeyingHardware : public KeyingHardware {
public:
    SerialOpenResult OpenSerial(const std::string& devicePath) override;
    std::unique_ptr<ParallelPortIo> OpenParallel(uint16_t baseAddress, std::string* why) override;

    // Every later open of `devicePath` fails with `error` (None lets it open again).
    void FailSerial(const std::string& devicePath, SerialOpenError error);
    // Every later parallel open fails with `why`.
    void FailParallel(std::string why);

    FakeSerialInputs& SerialInputs(const std::string& devicePath);
    // The port open at `devicePath`, or null when it is not open.
    std::shared_ptr<FakeSerialLines> OpenPort(const std::string& devicePath) const;
    int SerialOpenCount(const std::string& devicePath) const;
    FakeParallelState& Parallel() { return *parallel_; }

    std::vector<std::string> Log() const { return log_->Entries(); }
    // The changes of one line of the serial port at `devicePath` ("rts" or "dtr"), in order
    // ("rts on", "rts off"): a port opens with its lines down, and setting a line to the state
    // it has already is no change.
    std::vector<std::string> LineChanges(const std::string& devicePath,
                                         const std::string& line) const;
    FakeHardwareLog& LogRecord() { return *log_; }

private:
    std::shared_ptr<FakeSerialInputs> InputsLocked(const std::string& devicePath);

    std::shared_ptr<FakeHardwareLog> log_ = std::make_shared<FakeHardwareLog>();
    std::shared_ptr<FakeParallelState> parallel_ = std::make_shared<FakeParallelState>();
    mutable std::mutex mutex_;
    std::map<std::string, SerialOpenError> serialFailures_;
    std::map<std::string, std::shared_ptr<FakeSerialInputs>> inputs_;
    std::map<std::string, std::weak_ptr<FakeSerialLines>> open_;
    std::map<std::string, int> opens_;
    std::string parallelFailure_;
};

}  // namespace tarnwick::test
