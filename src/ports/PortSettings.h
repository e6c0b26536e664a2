#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/CTarnwickDoc.h"
#include "model/SettingsSchema.h"

namespace tarnwick {

// Columns of the port matrix.
inline constexpr int kPttColumn = 0;
inline constexpr int kInhibitColumn = 2;
inline constexpr int kSerialLines = 3;
inline constexpr int kParallelRow = 3;

// Stored cell values of a serial line: lines out, inputs for the transmit inhibit. The inhibit
// values are the dialog's list positions plus 3, so that one number says which input it is.
inline constexpr int kSerialRts = 1;
inline constexpr int kSerialDtr = 2;
inline constexpr int kSerialBoth = 3;
inline constexpr int kSerialCts = 4;
inline constexpr int kSerialDsr = 5;
inline constexpr int kInhibitListOffset = 3;

using PortMatrixCells = std::array<std::array<int, kPortColumns>, kPortRows>;

// What the port settings dialog edits: the COM number of each serial line (0 = none), the
// parallel base address text, the matrix as stored and the device behind each COM number.
struct PortSettings {
    std::array<int, kSerialLines> comPort{};
    std::string lptAddressText = "0";
    PortMatrixCells matrix{};
    std::array<std::string, kComPorts> comDevice{};
};

PortSettings PortSettingsFromDocument(const CTarnwickDoc& doc);

// Writes the settings into the document, as OK does: COM numbers, devices (without surrounding
// blanks), the address text and the matrix; the address text is read as hexadecimal into
// `LptAddress` (a text that does not parse leaves the number). Returns whether the address text
// changed, which is when the engine must set up its parallel port again.
bool ApplyPortSettings(const PortSettings& settings, CTarnwickDoc& doc);

// A COM number box's text: a whole number from 0 to kMaxComNumber, else nothing.
std::optional<int> ParseComNumber(std::string_view text);

// The checks made on OK, in order; returns the message of the first that fails, or nothing
// when the settings may be taken over. After the matrix rules, each COM number in use must name
// a device, and two different numbers in use must not name the same one (the second open of
// an exclusively held port would fail at every message).
std::optional<std::string> ValidatePortSettings(const PortSettings& settings);

// Number of entries in the drop-down list of a cell; 0 for the rig-control inhibit cell, which
// has no list.
int ListSize(int row, int column);
// The text of a list entry as the dialog shows it ("None", "RTS", "Pin 16", "On", ...); empty
// outside the list.
std::string_view ListEntryText(int row, int column, int position);
// The list position shown for a stored cell value; a value outside the list shows as the
// first entry ("None" or "Off").
int ListPositionFromStored(int row, int column, int stored);
// The value stored for a list position.
int StoredFromListPosition(int row, int column, int position);
PortMatrixCells ListPositionsFromMatrix(const PortMatrixCells& stored);
// Writes the list positions back; the rig-control inhibit cell keeps its stored value.
void StoreListPositions(const PortMatrixCells& positions, PortMatrixCells& stored);

}  // namespace tarnwick
