#pragma once

#include <cstdint>

namespace tarnwick {

// The non-drawing half of the waterfall display: which spectrum levels it shows, the colour of
// a level, where a frequency sits on the control and which frequency a click means. Pure
// functions, so the widget only draws and tests need no window.
//
// The display spans 200..2756 Hz (2756 Hz: half the 5512 per second point spacing) with one
// spectrum point per pixel column, whatever the control's width.
class SpectrumScale {
public:
    static constexpr int kLowHz = 200;
    static constexpr int kHighHz = 2756;
    static constexpr int kSpanHz = kHighHz - kLowHz;  // 2556
    // Half-point indices of the levels array in use, truncated as the display computes them.
    static constexpr int kLevelStart = kLowHz * 1024 / kHighHz;  // 74
    static constexpr int kLevelEnd = kHighHz * 1024 / kHighHz;   // 1024
    static constexpr int kLevelCount = kLevelEnd - kLevelStart;  // 950
    static constexpr int kLevelArraySize = 1034;
    static constexpr int kPaletteSize = 256;
    // Columns painted per line: column x shows level index kLevelStart + 2x up to 1023.
    static constexpr int kPaintedColumns = (1023 - kLevelStart) / 2 + 1;  // 475

    struct Rgb {
        uint8_t red;
        uint8_t green;
        uint8_t blue;
        bool operator==(const Rgb&) const = default;
    };

    struct Rect {
        int left;
        int top;
        int right;   // exclusive
        int bottom;  // exclusive
    };

    struct Hit {
        bool hit;
        int frequencyHz;
    };

    // The palette entry of a level; levels outside 0..255 are limited to it.
    static Rgb PaletteColour(int level);
    // The palette entry a level shows with the contrast control added (-400..400 on the
    // control), and its colour.
    static int PaletteIndex(int level, int contrast);
    static Rgb ColourFor(int level, int contrast);
    // The gain applied to the levels: DisplayGain (10..100), raised by 1.4 and truncated while
    // the FIR filter, which passes less energy, is on.
    static int WaterfallGain(int displayGain, bool firFilter);
    // Index into the levels array shown by pixel column x, or -1 for columns left unpainted.
    static int LevelIndexForColumn(int column);
    // x of a scale tick for frequency f on a control clientRight pixels wide.
    static int TickX(int frequencyHz, int clientRight);
    // A click at (x, y) in the coordinates of `window`, the control's rectangle: inside it
    // (right and bottom edges excluded) it means 200 + trunc(2556 * fraction of the width) Hz.
    static Hit HitTest(int x, int y, const Rect& window);
};

}  // namespace tarnwick
