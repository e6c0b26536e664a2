#include "audio/WaterfallPicture.h"

#include <algorithm>
#include <array>

namespace tarnwick {

namespace {

const std::array<uint32_t, SpectrumScale::kPaletteSize>& PixelTable() {
    static const std::array<uint32_t, SpectrumScale::kPaletteSize> table = [] {
        std::array<uint32_t, SpectrumScale::kPaletteSize> t{};
        for (int i = 0; i < SpectrumScale::kPaletteSize; ++i) {
            const SpectrumScale::Rgb c = SpectrumScale::PaletteColour(i);
            t[static_cast<std::size_t>(i)] =
                0xff000000u | uint32_t{c.red} << 16 | uint32_t{c.green} << 8 | uint32_t{c.blue};
        }
        return t;
    }();
    return table;
}

}  // namespace

WaterfallPicture::WaterfallPicture() : kept_(kKeptLines) {
    PixelTable();  // built here rather than by the first line
}

uint32_t WaterfallPicture::Pixel(int paletteIndex) {
    return PixelTable()[static_cast<std::size_t>(
        std::clamp(paletteIndex, 0, SpectrumScale::kPaletteSize - 1))];
}

void WaterfallPicture::Resize(int width, int rows) {
    width = std::max(width, 0);
    rows = std::max(rows, 0);
    const SpectrumAxis axis(width);
    std::vector<SpectrumAxis::Columns> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        columns[static_cast<std::size_t>(x)] = axis.ColumnsAt(x);
    }
    width_ = width;
    rows_ = rows;
    top_ = 0;
    columns_.swap(columns);
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), kBlack);
    for (int k = 0; k < rows_; ++k) {
        ComposeRow(k, k);
    }
}

void WaterfallPicture::AddLine(const WaterfallLineMaker::Line& line) {
    keptTop_ = (keptTop_ + kKeptLines - 1) % kKeptLines;
    kept_[static_cast<std::size_t>(keptTop_)] = line.colours;
    ++lines_;
    if (rows_ > 0) {
        top_ = (top_ + rows_ - 1) % rows_;
        ComposeRow(0, top_);
    }
}

void WaterfallPicture::ComposeRow(int age, int k) {
    uint32_t* row = pixels_.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(width_);
    if (age >= kKeptLines || static_cast<uint64_t>(age) >= lines_) {
        std::fill(row, row + width_, kBlack);
        return;
    }
    const Colours& colours = kept_[static_cast<std::size_t>((keptTop_ + age) % kKeptLines)];
    const auto& table = PixelTable();
    for (int x = 0; x < width_; ++x) {
        const SpectrumAxis::Columns c = columns_[static_cast<std::size_t>(x)];
        if (c.Empty()) {
            row[x] = kBlack;
            continue;
        }
        // A higher palette index is a stronger point.
        const uint8_t strongest =
            *std::max_element(colours.begin() + c.first, colours.begin() + c.last + 1);
        row[x] = table[strongest];
    }
}

}  // namespace tarnwick
