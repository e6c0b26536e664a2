#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/FftEngine.h"
#include "audio/SpectrumHandOver.h"
#include "audio/WaterfallLineMaker.h"
#include "audio/WaterfallThread.h"
#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"

namespace tarnwick {
namespace {

using Line = WaterfallLineMaker::Line;

// Column 63 shows spectrum point 100 (level indices 200 and 201).
constexpr int kColumn = 63;

// An averaged spectrum that is silent but at point 100, where P + 28145.8 = 100 x 28145.8:
// level 40 at gain 20.
std::vector<double> OnePoint() {
    std::vector<double> spectrum(SpectrumHandOver::kDoubles, 0.0);
    spectrum[200] = std::sqrt(99.0 * FftEngine::kLevelFloor);
    return spectrum;
}

bool OnlyColumnShows(const Line& line, int colour, int elsewhere) {
    for (int x = 0; x < static_cast<int>(line.colours.size()); ++x) {
        if (line.colours[static_cast<std::size_t>(x)] != (x == kColumn ? colour : elsewhere)) {
            return false;
        }
    }
    return true;
}

TEST(WaterfallLineMakerTest, ShowsTheLevelsAtTheGainTheyWereTakenWithAndTheContrastOfTheLine) {
    WaterfallLineMaker maker;
    const Line before = maker.MakeLine({20, 5, false});
    EXPECT_TRUE(OnlyColumnShows(before, 5, 5)) << "before any spectrum: the contrast alone";
    EXPECT_EQ(before.spectrum, 0u);

    maker.TakeSpectrum(OnePoint(), 7, {20, 0, false});
    const Line plain = maker.MakeLine({20, 0, false});
    EXPECT_TRUE(OnlyColumnShows(plain, 40, 0));
    EXPECT_EQ(plain.spectrum, 7u);

    maker.TakeSpectrum(OnePoint(), 8, {20, 0, true});
    EXPECT_TRUE(OnlyColumnShows(maker.MakeLine({20, 0, true}), 56, 0)) << "FIR: gain 28";

    // A line without a new spectrum keeps its levels; only the contrast is the line's own.
    const Line redrawn = maker.MakeLine({100, -50, false});
    EXPECT_TRUE(OnlyColumnShows(redrawn, 6, 0));
    EXPECT_EQ(redrawn.spectrum, 8u);
    EXPECT_EQ(redrawn.settings.DisplayCont, -50);
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The drawing thread's side of the hand-shake: idle (DisplayBusy 0) while it waits, busy while
// a line is made and handed over, and busy again once it has ended.
TEST(WaterfallThreadTest, MakesALinePerAnnouncementOrRedrawAndIsBusyMeanwhile) {
    CTarnwickDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    SpectrumHandOver spectrum;
    std::mutex mutex;
    std::vector<Line> lines;
    std::vector<int> busy;
    WaterfallThread waterfall(doc, spectrum, RealTime(), [&](const Line& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
        busy.push_back(doc.DisplayBusy.load());
    });
    const auto count = [&] {
        std::lock_guard lock(mutex);
        return lines.size();
    };
    waterfall.Start();
    ASSERT_TRUE(WaitUntil([&] { return doc.DisplayBusy.load() == 0; }));

    spectrum.Publish(OnePoint());
    doc.DataReadyEvent.Set();
    ASSERT_TRUE(WaitUntil([&] { return count() == 1; }));
    waterfall.SetSettings({20, 10, false});
    waterfall.Redraw();
    ASSERT_TRUE(WaitUntil([&] { return count() == 2; }));

    Line latest;
    EXPECT_EQ(waterfall.LatestLine(latest), 2u);
    waterfall.StopDrawing();
    EXPECT_EQ(doc.DisplayBusy.load(), 1) << "nobody is there to be told of new blocks";
    EXPECT_EQ(busy, (std::vector<int>{1, 1}));
    EXPECT_TRUE(OnlyColumnShows(lines[0], 40, 0)) << "the document's settings at first";
    EXPECT_EQ(lines[0].spectrum, 1u);
    EXPECT_TRUE(OnlyColumnShows(lines[1], 50, 10)) << "a redraw: the same levels";
    EXPECT_EQ(lines[1].spectrum, 1u);
    EXPECT_EQ(latest.colours, lines[1].colours);
}

}  // namespace
}  // namespace tarnwick
