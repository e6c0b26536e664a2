#include "display/CSpectrumView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "audio/FftEngine.h"
#include "audio/ReceiveChain.h"
#include "audio/SpectrumHandOver.h"
#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"

namespace tarnwick {
namespace {

constexpr int kWaitMs = 20000;

// A tone run through the receive chain block by block; each finished average is published and
// announced as the receive worker does, once the display waits for it.
class ToneFeeder {
public:
    ToneFeeder(CTarnwickDoc& doc, SpectrumHandOver& out, double hz)
        : doc_(doc), out_(out), step_(2.0 * std::numbers::pi * hz / 11025.0), chain_(fft_) {}

    bool Block() {
        for (double& sample : chain_.CaptureBlock()) {
            sample = 1000.0 * std::sin(phase_);
            phase_ += step_;
        }
        chain_.Process(settings_);
        out_.Publish(chain_.AverageSpectrum());
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (doc_.DisplayBusy.load() != 0) {
            if (std::chrono::steady_clock::now() > giveUp) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        doc_.DataReadyEvent.Set();
        return true;
    }

private:
    CTarnwickDoc& doc_;
    SpectrumHandOver& out_;
    const double step_;
    double phase_ = 0.0;
    FftEngine fft_;
    ReceiveChain chain_;
    const ReceiveSettingsChannel::Snapshot settings_;
};

// Feeds `blocks` blocks and waits until the view has composed their lines.
void Feed(CSpectrumView& view, ToneFeeder& feeder, int blocks) {
    for (int b = 0; b < blocks; ++b) {
        const uint64_t before = view.LinesShown();
        ASSERT_TRUE(feeder.Block()) << "the drawing thread waits for blocks";
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.LinesShown() > before; }, kWaitMs));
    }
    QCoreApplication::processEvents();
}

void ResizeTo(CSpectrumView& view, int width, int height) {
    view.resize(width, height);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.width() == width; }, kWaitMs));
}

// Brightness of each pixel of a row: its palette band (0 black .. 8 red), -1 for other colours.
std::vector<int> Bands(const QImage& image, int y) {
    std::vector<int> bands;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        int band = -1;
        for (int b = 0; b <= 8; ++b) {
            const SpectrumScale::Rgb c = SpectrumScale::PaletteColour(b == 0 ? 0 : 32 * b - 1);
            if (pixel == qRgb(c.red, c.green, c.blue)) {
                band = b;
            }
        }
        bands.push_back(band);
    }
    return bands;
}

std::vector<int> Brightest(const std::vector<int>& bands) {
    const int top = *std::max_element(bands.begin(), bands.end());
    std::vector<int> xs;
    for (int x = 0; x < static_cast<int>(bands.size()); ++x) {
        if (bands[static_cast<std::size_t>(x)] == top) {
            xs.push_back(x);
        }
    }
    return xs;
}

std::vector<int> PixelsOfColour(const QImage& image, int y, QRgb colour) {
    std::vector<int> xs;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) == colour) {
            xs.push_back(x);
        }
    }
    return xs;
}

std::vector<int> PixelsShowing(const SpectrumAxis& axis, int column) {
    std::vector<int> xs;
    for (int x = 0; x < axis.Width(); ++x) {
        const SpectrumAxis::Columns c = axis.ColumnsAt(x);
        if (c.first <= column && column <= c.last) {
            xs.push_back(x);
        }
    }
    return xs;
}

class SpectrumViewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(doc_.OnNewDocument()); }

    CTarnwickDoc doc_;
    SpectrumHandOver spectrum_;
};

// The trace of a tone lies where the scale puts its frequency, and a click on it (on the
// waterfall or on the scale above it) gives that frequency to within a spectrum point, at the
// form's width and after the display is made wider or narrower.
TEST_F(SpectrumViewTest, AClickOnAToneTraceGivesTheTonesFrequencyAtAnyWidth) {
    constexpr int kColumn = 193;
    const double toneHz = SpectrumAxis::ColumnHz(kColumn);  // 1238.2 Hz
    CSpectrumView view(doc_, spectrum_, RealTime());
    std::vector<int> clicks;
    QObject::connect(&view, &CSpectrumView::FrequencyClicked,
                     [&clicks](int hz) { clicks.push_back(hz); });
    ASSERT_NO_FATAL_FAILURE(ResizeTo(view, 486, 128));
    view.show();
    ToneFeeder feeder(doc_, spectrum_, toneHz);
    ASSERT_NO_FATAL_FAILURE(Feed(view, feeder, 3));

    for (const int width : {486, 1000, 300}) {
        SCOPED_TRACE(width);
        ASSERT_NO_FATAL_FAILURE(ResizeTo(view, width, 128));
        const SpectrumAxis axis = view.Axis();
        const int top = view.ScaleHeight();
        const QImage before = view.grab().toImage();
        EXPECT_EQ(Brightest(Bands(before, top)), PixelsShowing(axis, kColumn))
            << "the lines so far, drawn again at the new width";
        ASSERT_NO_FATAL_FAILURE(Feed(view, feeder, 1));
        const QImage image = view.grab().toImage();
        const std::vector<int> trace = Brightest(Bands(image, top));
        ASSERT_EQ(trace, PixelsShowing(axis, kColumn));
        EXPECT_EQ(Brightest(Bands(image, top + 1)), trace) << "the line before";

        const int x = trace[trace.size() / 2];
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(x, top + 5));
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(x, 1));
        ASSERT_EQ(clicks.size(), 2u);
        EXPECT_NEAR(clicks[0], toneHz, SpectrumAxis::kPointHz);
        EXPECT_EQ(clicks[1], clicks[0]) << "the scale shares the axis";
        clicks.clear();

        // The 500 Hz ticks (the only ones that reach up to the labels) sit where a click
        // gives their frequency.
        const int h = view.fontMetrics().height();
        const std::vector<int> ticks = PixelsOfColour(image, h + 1, CSpectrumView::kTickColour);
        EXPECT_EQ(ticks, (std::vector<int>{axis.XOf(500), axis.XOf(1000), axis.XOf(1500),
                                           axis.XOf(2000), axis.XOf(2500)}));
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(axis.XOf(1500), h + 1));
        ASSERT_EQ(clicks.size(), 1u);
        EXPECT_LE(clicks[0], 1500);
        EXPECT_GT(clicks[0], 1500 - 2556.0 / width - 1);
        clicks.clear();
    }
}

// The scale marks the designed filter's pass band and -60 dB edges at the present centre;
// the display settings reach the drawing thread's next line.
TEST_F(SpectrumViewTest, SettingsMoveTheFilterMarksAndReachTheNextLine) {
    doc_.FilterFreq = 1000;
    doc_.FilterWidth = 100;
    doc_.FilterBottomWidth = 300;
    doc_.FirFilter = 1;
    CSpectrumView view(doc_, spectrum_, RealTime());
    ASSERT_NO_FATAL_FAILURE(ResizeTo(view, 1000, 100));
    view.show();
    const SpectrumAxis axis = view.Axis();
    const int passRow = view.fontMetrics().height() + CSpectrumView::kMarkTop;
    const int bottomRow = view.ScaleHeight() - 1;

    QImage image = view.grab().toImage();
    std::vector<int> pass = PixelsOfColour(image, passRow, CSpectrumView::kFilterOnColour);
    ASSERT_FALSE(pass.empty());
    EXPECT_EQ(pass.front(), axis.XOf(950));
    EXPECT_EQ(pass.back(), axis.XOf(1050));
    EXPECT_EQ(static_cast<int>(pass.size()), axis.XOf(1050) - axis.XOf(950) + 1);
    const std::vector<int> feet = PixelsOfColour(image, bottomRow, CSpectrumView::kFilterOnColour);
    ASSERT_FALSE(feet.empty());
    EXPECT_EQ(feet.front(), axis.XOf(850));
    EXPECT_EQ(feet.back(), axis.XOf(1150));

    doc_.FilterFreq = 2000;
    doc_.FirFilter = 0;
    doc_.DisplayCont = 400;
    view.SettingsChanged();
    image = view.grab().toImage();
    pass = PixelsOfColour(image, passRow, CSpectrumView::kFilterOffColour);
    ASSERT_FALSE(pass.empty());
    EXPECT_EQ(pass.front(), axis.XOf(1950));
    EXPECT_EQ(pass.back(), axis.XOf(2050));
    EXPECT_TRUE(PixelsOfColour(image, passRow, CSpectrumView::kFilterOnColour).empty());

    ToneFeeder feeder(doc_, spectrum_, 1000.0);
    ASSERT_NO_FATAL_FAILURE(Feed(view, feeder, 1));
    const std::vector<int> bands = Bands(view.grab().toImage(), view.ScaleHeight());
    EXPECT_EQ(std::count(bands.begin(), bands.begin() + axis.XOf(2750), 8), axis.XOf(2750))
        << "the highest contrast shows every point at the top of the palette";
}

}  // namespace
}  // namespace tarnwick
