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
// parallel base address text and the matrix as stored.
struct PortSettings {
    std::array<int, kSerialLines> comPort{};
    std::string lptAddressText = "0";
    PortMatrixCells matrix{};
};

PortSettings PortSettingsFromDocument(const CTarnwickDoc& doc);

// A COM number box's text: a whole number from 0 to kMaxComNumber, else nothing.
std::optional<int> ParseComNumber(std::string_view text);

// The checks made on OK, in order; returns the message of the first that fails, or nothing
// when the settings may be taken over.
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
