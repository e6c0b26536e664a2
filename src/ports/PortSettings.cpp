#include "ports/PortSettings.h"

#include <cctype>
#include <cstdio>

#include "model/SettingsFormat.h"

namespace tarnwick {

namespace {

bool IsSerialRow(int row) {
    return row >= 0 && row < kSerialLines;
}

int CountSet(const PortMatrixCells& m, int column) {
    int n = 0;
    for (int row = 0; row <= kParallelRow; ++row) {
        n += m[row][column] > 0 ? 1 : 0;
    }
    return n;
}

std::optional<std::string> CheckSerialLine(const std::array<int, kPortColumns>& cells) {
    const int ptt = cells[kPttColumn];
    const int cw = cells[kCwColumn];
    if (ptt <= 0) {
        return std::nullopt;
    }
    if (ptt == cw) {
        return "Error: You cannot use the same pin for both CW and PTT.";
    }
    if (ptt == kSerialBoth && cw > 0) {
        return "Error: You cannot use bothpins for PTT and one of them for CW.";
    }
    if (cw == kSerialBoth) {
        return "Error: You cannot use bothpins for CW and one of them for PTT.";
    }
    return std::nullopt;
}

std::string WithoutSurroundingBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<std::string> CheckDevices(const PortSettings& s) {
    char text[160];
    for (int line = 0; line < kSerialLines; ++line) {
        const int com = s.comPort[line];
        if (com == 0) {
            continue;
        }
        const std::string device = WithoutSurroundingBlanks(s.comDevice[com - 1]);
        if (device.empty()) {
            std::snprintf(text, sizeof text, "Error: Please enter the device of COM%d.", com);
            return text;
        }
        for (int other = 0; other < line; ++other) {
            const int earlier = s.comPort[other];
            if (earlier != 0 && earlier != com &&
                WithoutSurroundingBlanks(s.comDevice[earlier - 1]) == device) {
                std::snprintf(text, sizeof text, "Error: COM%d and COM%d name the same device.",
                              earlier, com);
                return text;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

PortSettings PortSettingsFromDocument(const CTarnwickDoc& doc) {
    PortSettings s;
    s.comPort = doc.ComPort;
    s.lptAddressText = doc.LptPort[0];
    s.comDevice = doc.ComDevice;
    for (int row = 0; row < kPortRows; ++row) {
        for (int col = 0; col < kPortColumns; ++col) {
            s.matrix[row][col] = doc.PortMatrix[row][col];
        }
    }
    return s;
}

std::optional<int> ParseComNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t digitsFrom = i;
    int value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        // Anything past two digits is out of range anyway; stop before it could overflow.
        if (value > kMaxComNumber * 10) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == digitsFrom) {
        return std::nullopt;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    if (negative) {
        value = -value;
    }
    if (value < 0 || value > kMaxComNumber) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ValidatePortSettings(const PortSettings& s) {
    for (int n : s.comPort) {
        if (n < 0 || n > kMaxComNumber) {
            return kComNumberRangeMessage;
        }
    }
    const auto& com = s.comPort;
    if ((com[0] != 0 && (com[0] == com[1] || com[0] == com[2])) ||
        (com[1] != 0 && com[1] == com[2])) {
        return "Error: Please enter a different COM port number on each line.";
    }
    if (CountSet(s.matrix, kPttColumn) > 1) {
        return "Error: You cannot send the PTT signal to more than one device.";
    }
    if (CountSet(s.matrix, kCwColumn) > 1) {
        return "Error: You cannot send the CW signal to more than one device.";
    }
    if (CountSet(s.matrix, kInhibitColumn) > 1) {
        return "Error: You cannot use more than one port for transmit interrupt.";
    }
    for (int line = 0; line < kSerialLines; ++line) {
        if (auto message = CheckSerialLine(s.matrix[line])) {
            return message;
        }
    }
    return CheckDevices(s);
}

bool ApplyPortSettings(const PortSettings& s, CTarnwickDoc& doc) {
    doc.ComPort = s.comPort;
    for (int n = 0; n < kComPorts; ++n) {
        doc.ComDevice[n] = WithoutSurroundingBlanks(s.comDevice[n]);
    }
    for (int row = 0; row < kPortRows; ++row) {
        for (int col = 0; col < kPortColumns; ++col) {
            doc.PortMatrix[row][col] = s.matrix[row][col];
        }
    }
    const bool addressChanged = doc.LptPort[0] != s.lptAddressText;
    doc.LptPort[0] = s.lptAddressText;
    if (const auto address = ParseHex16(s.lptAddressText)) {
        doc.LptAddress = *address;
    }
    return addressChanged;
}

int ListSize(int row, int column) {
    if (column < 0 || column >= kPortColumns || row < 0 || row >= kPortRows) {
        return 0;
    }
    if (IsSerialRow(row)) {
        return column == kInhibitColumn ? 3 : 4;
    }
    if (row == kTrxRow && column == kInhibitColumn) {
        return 0;
    }
    return 2;
}

std::string_view ListEntryText(int row, int column, int position) {
    static constexpr std::string_view kSerialOutputs[] = {"None", "RTS", "DTR", "Both"};
    static constexpr std::string_view kSerialInputs[] = {"None", "CTS", "DSR"};
    static constexpr std::string_view kParallelPins[kPortColumns][2] = {
        {"None", "Pin 16"}, {"None", "Pin 17"}, {"None", "Pin 15"}};
    static constexpr std::string_view kRigLink[] = {"Off", "On"};
    if (position < 0 || position >= ListSize(row, column)) {
        return {};
    }
    if (IsSerialRow(row)) {
        return column == kInhibitColumn ? kSerialInputs[position] : kSerialOutputs[position];
    }
    return row == kParallelRow ? kParallelPins[column][position] : kRigLink[position];
}

int ListPositionFromStored(int row, int column, int stored) {
    int position = stored;
    if (IsSerialRow(row) && column == kInhibitColumn) {
        position = stored > 0 ? stored - kInhibitListOffset : 0;
    }
    return position >= 0 && position < ListSize(row, column) ? position : 0;
}

int StoredFromListPosition(int row, int column, int position) {
    if (IsSerialRow(row) && column == kInhibitColumn) {
        return position > 0 ? position + kInhibitListOffset : 0;
    }
    return position;
}

PortMatrixCells ListPositionsFromMatrix(const PortMatrixCells& stored) {
    PortMatrixCells positions{};
    for (int row = 0; row < kPortRows; ++row) {
        for (int col = 0; col < kPortColumns; ++col) {
            positions[row][col] = ListPositionFromStored(row, col, stored[row][col]);
        }
    }
    return positions;
}

void StoreListPositions(const PortMatrixCells& positions, PortMatrixCells& stored) {
    for (int row = 0; row < kPortRows; ++row) {
        for (int col = 0; col < kPortColumns; ++col) {
            if (ListSize(row, col) > 0) {
                stored[row][col] = StoredFromListPosition(row, col, positions[row][col]);
            }
        }
    }
}

}  // namespace tarnwick
