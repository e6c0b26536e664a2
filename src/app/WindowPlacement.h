#pragma once

#include "model/WindowPos.h"

class QWidget;

namespace tarnwick {

// The show states stored in WindowPos, as the window manager of the stored format knew them.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

// The window's placement as it is stored on close: the normal (restored) rectangle, right and
// bottom exclusive, the show state, and flag 2 when it is maximised. The minimised and
// maximised positions are not known here and are stored as -1. Columns 11 and 12 are left to
// the caller.
WindowPos PlacementOf(const QWidget& window);

// Applies a stored placement before the window is first shown: the normal rectangle, then
// maximised when the placement says so. A window closed while minimised comes back in the
// state it would have been restored to (a keyer that starts hidden hides its clock). A
// rectangle that lies on no screen, or is not a rectangle, is not applied.
void ApplyPlacement(QWidget& window, const WindowPos& pos);

}  // namespace tarnwick
