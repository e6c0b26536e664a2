#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ports/KeyingDevice.h"
#include "ports/KeyingHardware.h"
#include "ports/KeyingPortManager.h"

namespace tarnwick {

class CTarnwickDoc;
class NoticeSink;
class ParallelPort;
class Prompter;
class TimeBase;

// Makes one device that keys through the rig-control link. The link lives above the ports, so
// its owner hands the builder this rather than the link itself.
using RigDeviceFactory = std::function<std::unique_ptr<KeyingDevice>()>;

// The operator's message for a COM port that did not open, naming the port and its device,
// e.g. "ERROR: Port COM3 is not available. (/dev/ttyS2)".
std::string SerialOpenMessage(int comNumber, const std::string& devicePath, SerialOpenError error);

// Builds the devices of one transmission from the port matrix. The first source in the order
// rig-control link, serial lines 1..3, parallel port wins PTT and CW; the last inhibit cell
// found wins the inhibit. Each COM port in use is opened once and shared by the devices on it; a
// port that does not open is reported through `prompter` and its devices do nothing. A cell
// whose value is not one its column offers counts as not set, and a COM number outside 1..8 as
// no port (a hand-edited settings file). `rigDevice` is empty without a link (its row then
// counts as not set) and `parallel` may be null; a parallel port that could not be reached
// counts as none. Called on the user-interface thread, which owns `doc`.
std::unique_ptr<KeyingPortManager> BuildKeyingPortManager(const CTarnwickDoc& doc, NoticeSink& view,
                                                          Prompter& prompter, TimeBase& time,
                                                          KeyingHardware& hardware,
                                                          const RigDeviceFactory& rigDevice,
                                                          ParallelPort* parallel);

}  // namespace tarnwick
