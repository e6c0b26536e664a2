#include "audio/SpectrumScale.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tarnwick {

namespace {

// Upper level of each palette band and its colour; the bands above 0 are 32 levels wide
// except the first (1..31).
struct PaletteBand {
    int lastLevel;
    SpectrumScale::Rgb colour;
};

constexpr PaletteBand kPalette[] = {
    {0, {0, 0, 0}},         {31, {0, 0, 64}},       {63, {0, 0, 128}},
    {95, {0, 0, 217}},      {127, {150, 147, 220}}, {159, {183, 186, 220}},
    {191, {225, 228, 225}}, {223, {255, 255, 255}}, {255, {255, 51, 0}},
};

}  // namespace

SpectrumScale::Rgb SpectrumScale::PaletteColour(int level) {
    const int clamped = std::clamp(level, 0, kPaletteSize - 1);
    for (const PaletteBand& band : kPalette) {
        if (clamped <= band.lastLevel) {
            return band.colour;
        }
    }
    return kPalette[std::size(kPalette) - 1].colour;
}

int SpectrumScale::PaletteIndex(int level, int contrast) {
    // Summed in 64 bits: the levels are limited but the contrast comes from settings.
    const int64_t sum = int64_t{level} + contrast;
    return static_cast<int>(std::clamp<int64_t>(sum, 0, kPaletteSize - 1));
}

SpectrumScale::Rgb SpectrumScale::ColourFor(int level, int contrast) {
    return PaletteColour(PaletteIndex(level, contrast));
}

int SpectrumScale::WaterfallGain(int displayGain, bool firFilter) {
    return firFilter ? static_cast<int>(std::trunc(displayGain * 1.4)) : displayGain;
}

int SpectrumScale::LevelIndexForColumn(int column) {
    if (column < 0 || column >= kPaintedColumns) {
        return -1;
    }
    return kLevelStart + 2 * column;
}

int SpectrumScale::TickX(int frequencyHz, int clientRight) {
    return static_cast<int>(
        std::trunc(clientRight / static_cast<double>(kSpanHz) * (frequencyHz - kLowHz)));
}

SpectrumScale::Hit SpectrumScale::HitTest(int x, int y, const Rect& window) {
    if (x < window.left || x >= window.right || y < window.top || y >= window.bottom) {
        return {false, 0};
    }
    // Inside means right > left, so the width is never zero here. Whole numbers throughout:
    // the truncation is exact, so a click never lands a hertz below the pixel's frequency
    // (at most 2^32 * 2556, well within 64 bits).
    const int64_t offset = int64_t{x} - window.left;
    const int64_t width = int64_t{window.right} - window.left;
    return {true, static_cast<int>(offset * kSpanHz / width) + kLowHz};
}

}  // namespace tarnwick
