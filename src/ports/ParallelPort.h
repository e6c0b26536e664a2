#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tarnwick {

class KeyingHardware;
class ParallelPortIo;

// Control register bits (pins follow the standard, with its inverted lines).
inline constexpr uint16_t kControlTwoRadio = 0x02;  // pin 14: two-radio switch
inline constexpr uint16_t kControlPtt = 0x04;       // pin 16: 1 = transmit
inline constexpr uint16_t kControlKeyUp = 0x08;     // pin 17: 1 = key up
inline constexpr uint16_t kControlWorking = 0x20;
inline constexpr uint16_t kControlIdle = kControlWorking | kControlKeyUp;  // 0x28
inline constexpr uint16_t kControlParked = 0x09;
// Status register bit of pin 15: 1 = inhibit.
inline constexpr uint16_t kStatusInhibit = 0x08;

// The parallel port at a base address: one shadow of the control register shared by the PTT,
// CW and inhibit devices and the two-radio switch. Every change is a read-modify-write of the
// shadow followed by the write of the whole shadow, made under one lock, so a change from one
// thread never loses another thread's bit and the port always ends with the shadow's value.
class ParallelPort {
public:
    // Claims the port and writes the idle value (with the two-radio bit when `so2r`). When the
    // port cannot be reached, IsOpen() is false, Problem() says why, and the port acts as
    // absent: nothing is written and the inhibit input reads as off.
    ParallelPort(KeyingHardware& hardware, int16_t address, bool so2r);
    // Parks the port.
    ~ParallelPort();
    ParallelPort(const ParallelPort&) = delete;
    ParallelPort& operator=(const ParallelPort&) = delete;

    void SetTwoRadio(bool on);
    void SetControlBits(uint16_t mask);
    void ClearControlBits(uint16_t mask);
    // True when pin 15 is high.
    bool InhibitInput();

    bool IsOpen() const { return io_ != nullptr; }
    // The operator's message when the port could not be reached; empty when it is open.
    const std::string& Problem() const { return problem_; }
    uint16_t Shadow() const;
    uint16_t Address() const { return address_; }

private:
    void Update(uint16_t set, uint16_t clear);

    const uint16_t address_;
    std::unique_ptr<ParallelPortIo> io_;
    std::string problem_;
    mutable std::mutex mutex_;
    uint16_t shadow_ = kControlIdle;
};

}  // namespace tarnwick
