#pragma once

#include <optional>

#include "audio/SpectrumScale.h"

namespace tarnwick {

// The one frequency axis of a waterfall display of a given width: the scale's ticks, the
// columns of the picture and the meaning of a click all use it, so that a click on a trace
// sets that trace's frequency at any width.
//
// Pixel column x (0..width-1) stands for the frequency 200 + 2556 x / width Hz, the value a
// click on it gives (SpectrumScale::HitTest, truncated to whole hertz). A waterfall line holds
// one colour per spectrum point (SpectrumScale::kPaintedColumns of them, line column c showing
// point 37 + c); pixel x shows the points centred within half a pixel of its frequency, the
// strongest of them when a pixel is wider than a point (so a narrow trace never drops out),
// else the nearest point. The two end pixels also show the points beyond them, so that no
// point drops out at the ends either.
class SpectrumAxis {
public:
    // Spacing of the spectrum points: 1024 points of the signal decimated to 5512.5 per second.
    static constexpr double kPointHz = 5512.5 / 1024.0;
    // Spectrum point shown by line column 0.
    static constexpr int kFirstPoint = SpectrumScale::kLevelStart / 2;  // 37

    // Columns of a line that a pixel shows; empty (first > last) beyond the spectrum's ends.
    struct Columns {
        int first;
        int last;
        bool Empty() const { return first > last; }
    };

    // A width below 1 counts as 1.
    explicit SpectrumAxis(int width);

    int Width() const { return width_; }
    // Frequency at x (pixels from the left edge; fractions allowed).
    double HzAt(double x) const;
    // The pixel column whose frequency range [HzAt(x), HzAt(x + 1)) holds `hz`; outside
    // 0..width-1 for frequencies off the axis.
    int XOf(double hz) const;
    // What a click at x means: 200 + trunc(2556 x / width) Hz, nothing outside 0..width-1.
    std::optional<int> ClickHz(int x) const;
    // Centre frequency of line column c.
    static double ColumnHz(int column);
    // The line columns pixel x shows.
    Columns ColumnsAt(int x) const;

    // The designed FIR band-pass's edges in Hz for centre F, width W and -60 dB width B, as the
    // designer makes them usable (BandPassDesigner::UsableEdges): the -60 dB edges, then the
    // pass band's. A stop band the designer drops shows as its edge at 0 Hz (or 5512.5 Hz).
    struct FilterEdges {
        double stopLow;
        double passLow;
        double passHigh;
        double stopHigh;
    };
    static FilterEdges FirEdgesHz(int centreHz, int widthHz, int bottomWidthHz);

private:
    int width_;
};

}  // namespace tarnwick
