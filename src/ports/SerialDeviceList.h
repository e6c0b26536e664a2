#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// A serial device node an operator may give a COM number.
struct SerialDevice {
    std::string path;    // as the keyer opens it, e.g. "/dev/ttyUSB0"
    std::string target;  // for the stable names under /dev/serial/by-id, the node they lead to
};

// The serial devices present: on-board ports (/dev/ttyS*, without those the kernel knows to
// have no UART behind them), USB adapters (/dev/ttyUSB*, /dev/ttyACM*), then the stable names
// of /dev/serial/by-id, each group in number order. `root` is put in front of every path looked
// at (tests give a folder of their own); the paths returned never carry it.
std::vector<SerialDevice> ListSerialDevices(const std::string& root = std::string());

}  // namespace tarnwick
