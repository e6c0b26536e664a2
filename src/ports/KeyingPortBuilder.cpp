#include "ports/KeyingPortBuilder.h"

#include <cstdio>

#include "model/CTarnwickDoc.h"
#include "platform/Prompter.h"
#include "ports/ParallelKeyingDevice.h"
#include "ports/ParallelPort.h"
#include "ports/PortSettings.h"
#include "ports/SerialKeyingDevice.h"
#include "ports/SerialLines.h"

namespace tarnwick {

namespace {

// Whether a stored cell holds a value its column offers for its source.
bool IsSet(const CTarnwickDoc& doc, int row, int column) {
    const int value = doc.PortMatrix[row][column];
    if (row < kSerialLines) {
        return column == kInhibitColumn ? value == kSerialCts || value == kSerialDsr
                                        : value >= kSerialRts && value <= kSerialBoth;
    }
    return value == 1;
}

bool IsComNumber(int n) {
    return n >= 1 && n <= kMaxComNumber;
}

// Opens the port of every serial line with a COM number; lines with the same number share it.
std::array<std::shared_ptr<SerialLines>, kSerialLines> OpenSerialPorts(const CTarnwickDoc& doc,
                                                                       Prompter& prompter,
                                                                       KeyingHardware& hardware) {
    std::array<std::shared_ptr<SerialLines>, kSerialLines> lines;
    for (int line = 0; line < kSerialLines; ++line) {
        const int com = doc.ComPort[line];
        if (!IsComNumber(com)) {
            continue;
        }
        bool seen = false;
        for (int earlier = 0; earlier < line; ++earlier) {
            if (doc.ComPort[earlier] == com) {
                lines[line] = lines[earlier];
                seen = true;
            }
        }
        if (seen) {
            continue;
        }
        const std::string& path = doc.ComDevice[com - 1];
        SerialOpenResult opened = hardware.OpenSerial(path);
        if (!opened.lines) {
            const SerialOpenError error =
                opened.error == SerialOpenError::None ? SerialOpenError::CannotOpen : opened.error;
            prompter.Show(SerialOpenMessage(com, path, error));
        }
        lines[line] = std::move(opened.lines);
    }
    return lines;
}

}  // namespace

std::string SerialOpenMessage(int comNumber, const std::string& devicePath, SerialOpenError error) {
    char text[64];
    std::snprintf(text, sizeof text,
                  error == SerialOpenError::NotAvailable ? "ERROR: Port %s is not available."
                                                         : "ERROR: Cannot open port %s.",
                  ("COM" + std::to_string(comNumber)).c_str());
    std::string message = text;
    if (!devicePath.empty()) {
        message += " (" + devicePath + ")";
    }
    return message;
}

std::unique_ptr<KeyingPortManager> BuildKeyingPortManager(const CTarnwickDoc& doc, NoticeSink& view,
                                                          Prompter& prompter, TimeBase& time,
                                                          KeyingHardware& hardware,
                                                          const RigDeviceFactory& rigDevice,
                                                          ParallelPort* parallel) {
    KeyingPortManager::Devices d;
    if (rigDevice && IsSet(doc, kTrxRow, kPttColumn)) {
        d.ptt = rigDevice();
    }
    if (rigDevice && IsSet(doc, kTrxRow, kCwColumn)) {
        d.cw = rigDevice();
    }

    d.ports = OpenSerialPorts(doc, prompter, hardware);
    for (int line = 0; line < kSerialLines; ++line) {
        const auto& cells = doc.PortMatrix[line];
        if (!d.ptt && IsSet(doc, line, kPttColumn)) {
            d.ptt = std::make_unique<SerialKeyingDevice>(d.ports[line], cells[kPttColumn], view);
        }
        if (!d.cw && IsSet(doc, line, kCwColumn)) {
            d.cw = std::make_unique<SerialKeyingDevice>(d.ports[line], cells[kCwColumn], view);
        }
        if (IsSet(doc, line, kInhibitColumn)) {
            d.inhibit =
                std::make_unique<SerialKeyingDevice>(d.ports[line], cells[kInhibitColumn], view);
        }
    }

    if (parallel && parallel->IsOpen()) {
        if (!d.ptt && IsSet(doc, kParallelRow, kPttColumn)) {
            d.ptt = std::make_unique<ParallelKeyingDevice>(*parallel, ParallelFunction::Ptt, view);
        }
        if (!d.cw && IsSet(doc, kParallelRow, kCwColumn)) {
            d.cw = std::make_unique<ParallelKeyingDevice>(*parallel, ParallelFunction::Cw, view);
        }
        if (IsSet(doc, kParallelRow, kInhibitColumn)) {
            d.inhibit =
                std::make_unique<ParallelKeyingDevice>(*parallel, ParallelFunction::Inhibit, view);
        }
    }
    return std::make_unique<KeyingPortManager>(doc, view, time, std::move(d));
}

}  // namespace tarnwick
