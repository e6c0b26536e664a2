#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/SpectrumAxis.h"
#include "audio/WaterfallLineMaker.h"

namespace tarnwick {

// The waterfall's picture, composed where the lines are made: 32-bit pixels 0xffRRGGBB (the
// usual RGB32 layout of toolkits' images), one row per line, the newest on top, as wide as the
// display's axis. The rows form a ring, so a new line costs one row, not a scroll. The last
// kKeptLines lines are also kept as palette indices, so a resize composes the picture again at
// the new width instead of stretching it.
//
// AddLine belongs to the drawing thread, Resize and Read to the window's thread. The lock is
// held by the drawing thread only while it composes one row, so the window's thread never
// waits for a line being made; Read holds it while the window paints, which the drawing
// thread can wait for.
class WaterfallPicture {
public:
    // Taller than any screen: the history a taller window shows after a resize.
    static constexpr int kKeptLines = 2160;
    static constexpr uint32_t kBlack = 0xff000000u;

    // What Read hands over: `rows` rows of `width` pixels; picture row k (0 = newest) is ring
    // row (top + k) % rows.
    struct View {
        const uint32_t* pixels;
        int width;
        int rows;
        int top;
        uint64_t lines;  // lines added so far
    };

    // A picture of no size: lines are kept until Resize gives it one.
    WaterfallPicture();

    // Window's thread: the picture's width (the axis's) and height in rows, composed anew from
    // the kept lines; rows older than those are black. Negative sizes count as 0.
    void Resize(int width, int rows);
    // Drawing thread: the line goes on top.
    void AddLine(const WaterfallLineMaker::Line& line);
    // Calls paint(const View&) with the picture held still.
    template <class Paint>
    void Read(Paint&& paint) const {
        std::lock_guard lock(mutex_);
        paint(View{pixels_.data(), width_, rows_, top_, lines_});
    }

    // The colour of a palette index in the picture's pixel layout.
    static uint32_t Pixel(int paletteIndex);

private:
    using Colours = decltype(WaterfallLineMaker::Line::colours);

    // Composes kept line `age` (0 = newest) into picture row k; black when there is none.
    void ComposeRow(int age, int k);

    mutable std::mutex mutex_;
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
