#pragma once

#include <cstdint>
#include <vector>

#include "audio/SpectrumAxis.h"
#include "audio/WaterfallLineMaker.h"

namespace tarnwick {

// The waterfall's picture: 32-bit pixels 0xffRRGGBB (the usual RGB32 layout of toolkits'
// images), one row per line, the newest on top, as wide as the display's axis. The rows form a
// ring, so a new line costs the composing of one row (a palette look-up per pixel), not a
// scroll. The last kKeptLines lines are also kept as palette indices, so a resize composes the
// picture again at the new width instead of stretching it.
//
// The window's thread owns it: the lines reach it through a WaterfallLineQueue, so nothing
// here is shared with the drawing thread and painting never waits for it.
class WaterfallPicture {
public:
    // Taller than any screen: the history a taller window shows after a resize.
    static constexpr int kKeptLines = 2160;
    static constexpr uint32_t kBlack = 0xff000000u;

    // The picture: `rows` rows of `width` pixels; picture row k (0 = newest) is ring row
    // (top + k) % rows. Valid until the next Resize.
    struct View {
        const uint32_t* pixels;
        int width;
        int rows;
        int top;
        uint64_t lines;  // lines added so far
    };

    // A picture of no size: lines are kept until Resize gives it one.
    WaterfallPicture();

    // The picture's width (the axis's) and height in rows, composed anew from the kept lines;
    // rows older than those are black. Negative sizes count as 0.
    void Resize(int width, int rows);
    // The line goes on top.
    void AddLine(const WaterfallLineMaker::Line& line);
    View Picture() const { return {pixels_.data(), width_, rows_, top_, lines_}; }

    // The colour of a palette index in the picture's pixel layout.
    static uint32_t Pixel(int paletteIndex);

private:
    using Colours = decltype(WaterfallLineMaker::Line::colours);

    // Composes kept line `age` (0 = newest) into picture row k; black when there is none.
    void ComposeRow(int age, int k);

    int width_ = 0;
    int rows_ = 0;
    int top_ = 0;
    uint64_t lines_ = 0;
    std::vector<uint32_t> pixels_;
    // Per pixel column, the line columns it shows.
    std::vector<SpectrumAxis::Columns> columns_;
    // Ring of kept lines; the newest at keptTop_.
    std::vector<Colours> kept_;
    int keptTop_ = 0;
};

}  // namespace tarnwick
