#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

class SettingsStore;

inline constexpr char kWindowPosName[] = "WindowPos";

// Placement flag: the window is to come back maximised.
inline constexpr int kRestoreToMaximized = 2;

// The main window's placement and the group manager's two column widths, stored together as
// "WindowPos": twelve integers separated by colons.
struct WindowPos {
    int Flags = 0;
    int ShowCmd = 0;
    int MinX = 0;
    int MinY = 0;
    int MaxX = 0;
    int MaxY = 0;
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int TitleColumnWidth = 0;
    int OtherColumnWidth = 0;

    bool operator==(const WindowPos&) const = default;
};

// Nothing when the value is missing or fewer than twelve integers parse: the caller then keeps
// its own defaults for the window and the column widths.
std::optional<WindowPos> ReadWindowPos(const SettingsStore& store);
void WriteWindowPos(SettingsStore& store, const WindowPos& pos);
// The stored text: twelve integers separated by colons.
std::string FormatWindowPos(const WindowPos& pos);
// A typed placement is stricter than a stored one: exactly twelve whole integers separated by
// colons, nothing around them.
std::optional<WindowPos> ParseTypedWindowPos(std::string_view text);

// The placement as it is written on close: maximised windows get the restore-to-maximised flag.
WindowPos WithMaximizedFlag(WindowPos pos, bool maximized);
bool RestoresMaximized(const WindowPos& pos);

}  // namespace tarnwick
