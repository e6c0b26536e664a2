#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "audio/DisplaySettings.h"
#include "audio/SpectrumScale.h"

namespace tarnwick {

// Turns a published averaged spectrum into one waterfall line that a widget only has to
// paint: colour levels per half spectrum point at the line's gain (raised while the FIR filter
// is on), the contrast added, limited to the palette. Keeps the levels between lines, so a
// line drawn without a new spectrum (a redraw) repeats the last levels with the present
// contrast; before the first spectrum every level is 0.
class WaterfallLineMaker {
public:
    struct Line {
        // Palette index (SpectrumScale::PaletteColour) of each painted column, left to right.
        std::array<uint8_t, SpectrumScale::kPaintedColumns> colours{};
        // The snapshot the line was made with.
        DisplaySettings settings;
        // The number of the published spectrum its levels come from; 0 for none yet.
        uint64_t spectrum = 0;
    };

    // Recomputes the levels from `average` (1024 complex points) at the gain of `settings`.
    void TakeSpectrum(std::span<const double> average, uint64_t number,
                      const DisplaySettings& settings);
    // The line of the levels held, with the contrast of `settings`.
    Line MakeLine(const DisplaySettings& settings) const;

private:
    std::array<int, SpectrumScale::kLevelArraySize> levels_{};
    uint64_t spectrum_ = 0;
};

}  // namespace tarnwick
