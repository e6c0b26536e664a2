#include "audio/WaterfallPicture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnwick {
namespace {

using Line = WaterfallLineMaker::Line;

// A line dark but for one column.
Line Peak(int column) {
    Line line;
    line.colours[static_cast<std::size_t>(column)] = 230;
    return line;
}

// The pixel columns of picture row k (0 = newest) that are not black.
std::vector<int> LitPixels(const WaterfallPicture& picture, int k) {
    std::vector<int> lit;
    const WaterfallPicture::View view = picture.Picture();
    const uint32_t* row =
        view.pixels + static_cast<std::size_t>((view.top + k) % view.rows) * view.width;
    for (int x = 0; x < view.width; ++x) {
        if (row[x] != WaterfallPicture::kBlack) {
            lit.push_back(x);
        }
    }
    return lit;
}

std::vector<int> PixelsShowing(int width, int column) {
    const SpectrumAxis axis(width);
    std::vector<int> pixels;
    for (int x = 0; x < width; ++x) {
        const SpectrumAxis::Columns c = axis.ColumnsAt(x);
        if (c.first <= column && column <= c.last) {
            pixels.push_back(x);
        }
    }
    return pixels;
}

// New lines go on top and push the oldest out; a resize composes the kept lines anew at the
// new width, including those that had been pushed out of the smaller picture, and rows older
// than any line stay black.
TEST(WaterfallPictureTest, NewestOnTopAndAResizeRedrawsTheKeptLinesAtTheNewWidth) {
    WaterfallPicture picture;
    picture.AddLine(Peak(10));  // kept before the picture has a size
    picture.Resize(486, 2);
    picture.AddLine(Peak(200));
    picture.AddLine(Peak(300));
    EXPECT_EQ(LitPixels(picture, 0), PixelsShowing(486, 300));
    EXPECT_EQ(LitPixels(picture, 1), PixelsShowing(486, 200));
    const WaterfallPicture::View view = picture.Picture();
    EXPECT_EQ(view.lines, 3u);
    const uint32_t* newest = view.pixels + static_cast<std::size_t>(view.top) * view.width;
    EXPECT_EQ(newest[PixelsShowing(486, 300)[0]], WaterfallPicture::Pixel(230));

    picture.Resize(1000, 4);
    EXPECT_EQ(LitPixels(picture, 0), PixelsShowing(1000, 300));
    EXPECT_EQ(LitPixels(picture, 1), PixelsShowing(1000, 200));
    EXPECT_EQ(LitPixels(picture, 2), PixelsShowing(1000, 10));
    EXPECT_TRUE(LitPixels(picture, 3).empty());
    picture.AddLine(Peak(474));
    EXPECT_EQ(LitPixels(picture, 0), PixelsShowing(1000, 474));
    EXPECT_EQ(LitPixels(picture, 3), PixelsShowing(1000, 10));
}

}  // namespace
}  // namespace tarnwick
