#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/ReceiveProcessor.h"
#include "audio/SpectralMask.h"
#include "audio/SpectrumScale.h"
#include "audio/WaterfallThread.h"
#include "model/CTarnwickDoc.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "support/AlsaTestConfig.h"
#include "support/ForkedTest.h"
#include "support/RecordingPrompter.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;

using test::ScratchDir;
using Line = WaterfallThread::Line;
using Clock = std::chrono::steady_clock;

constexpr int kBlock = 2048;
constexpr int kBlocks = 16;
constexpr int kCentres[] = {900, 1300};
constexpr int kWidths[] = {50, 300};
constexpr int kBottomWidths[] = {100, 600};

// Loud noise over the whole band: any spectrum point the mask has not zeroed shows far above
// level 0 at every gain.
std::string NoiseBlock(std::mt19937& random) {
    std::uniform_int_distribution<int> sample(-12000, 12000);
    std::string bytes(2 * kBlock, '\0');
    for (int n = 0; n < kBlock; ++n) {
        const uint16_t v = static_cast<uint16_t>(sample(random));
        bytes[2 * n] = static_cast<char>(v & 0xff);
        bytes[2 * n + 1] = static_cast<char>(v >> 8);
    }
    return bytes;
}

// The columns that every one of the window's masks zeroes: below the lowest lower edge and
// from the highest upper edge on.
std::vector<bool> MaskedColumns() {
    int low = 1 << 30;
    int high = 0;
    for (int centre : kCentres) {
        for (int width : kWidths) {
            for (int bottom : kBottomWidths) {
                const SpectralMask mask(centre, width, bottom);
                low = std::min(low, mask.I0());
                high = std::max(high, mask.I3());
            }
        }
    }
    std::vector<bool> masked(SpectrumScale::kPaintedColumns);
    for (int x = 0; x < SpectrumScale::kPaintedColumns; ++x) {
        const int point = SpectrumScale::LevelIndexForColumn(x) / 2;
        masked[static_cast<std::size_t>(x)] = point < low || point >= high;
    }
    return masked;
}

// The window's thread changes every live receive and display setting as fast as it can while
// the receive worker runs on an ALSA file PCM and the drawing thread makes lines (the device
// stays: it is taken when a pass opens it). The spectral mask stays on: every finished average is
// then zero outside the band of the settings it was made with, so a line that showed an average
// being averaged or masked would show noise in the columns every mask zeroes. Run under
// ThreadSanitizer it also shows that no setting, spectrum or line is shared without a hand-over.
TEST(ReceiveLiveSettingsTest, LinesComeOnlyFromFinishedAveragesWhileTheWindowChangesEverything) {
    ScratchDir dir("tarnwick-rx-live");
    test::RunForked([&] {
        const std::string fifo = dir.File("in.fifo");
        ASSERT_TRUE(ScratchDir::Write(
            dir.File("test.conf"),
            AlsaTestConfig::DuplexPcm("rx_test", AlsaTestConfig::FilePcm("/dev/null", fifo),
                                      AlsaTestConfig::FilePcm("/dev/null"))));
        AlsaTestConfig::Use(dir.File("test.conf"));
        setenv(SoundDevices::kDefaultOverride, "rx_test", 1);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        // Never blocking: a worker that took no more blocks fails the test instead of hanging it.
        const int feed = open(fifo.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        ASSERT_GE(feed, 0);

        CTarnwickDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        doc.FftFilter = 1;
        test::RecordingPrompter prompter;
        ReceiveProcessor rx(doc, prompter, RealTime());
        const std::vector<bool> masked = MaskedColumns();
        // The lines are the drawing thread's until it has ended. The feeder learns of its
        // progress through a relaxed atomic, which orders nothing: the test itself must not
        // hand the drawing thread's reads over to the worker.
        std::vector<Line> lines;
        int busyLines = 0;
        std::atomic<uint64_t> newest{0};
        WaterfallThread waterfall(doc, rx.Spectrum(), RealTime(), [&](const Line& line) {
            lines.push_back(line);
            busyLines += doc.DisplayBusy.load() == 1 ? 1 : 0;
            newest.store(line.spectrum, std::memory_order_relaxed);
        });
        const auto newestSpectrum = [&] { return newest.load(std::memory_order_relaxed); };

        std::atomic<bool> windowDone{false};
        std::thread window([&] {
            ReceiveSettings receive = ReceiveSettings::FromDocument(doc);
            DisplaySettings display = DisplaySettings::FromDocument(doc);
            for (unsigned i = 0; !windowDone.load(); ++i) {
                receive.FilterFreq = kCentres[i % 2];
                receive.FilterWidth = kWidths[(i / 2) % 2];
                receive.FilterBottomWidth = kBottomWidths[(i / 4) % 2];
                receive.FirFilter = (i / 3) % 2 == 0;
                receive.DisplayAvg = static_cast<int>(i % 31);
                rx.SetSettings(receive);
                display.DisplayGain = 10 + static_cast<int>(i % 91);
                display.DisplayCont = static_cast<int>(i % 41);
                display.FirFilter = receive.FirFilter;
                waterfall.SetSettings(display);
                if (i % 50 == 0) {
                    waterfall.Redraw();
                }
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });

        waterfall.Start();
        rx.Start();
        // The capture is kept two blocks ahead of the lines (or a moment, when the drawing was
        // busy as a block was announced): the worker averages and masks the next block while
        // the drawing thread makes the line of the last one, yet the capture never runs so far
        // ahead that it overflows.
        std::mt19937 random(5);
        for (int b = 0; b < kBlocks; ++b) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(500);
            while (static_cast<uint64_t>(b) > newestSpectrum() + 2 && Clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            const std::string block = NoiseBlock(random);
            if (write(feed, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
                ADD_FAILURE() << "block " << b << " not taken; " << prompter.Texts().size()
                              << " boxes shown";
                break;
            }
        }
        windowDone = true;
        window.join();
        // The capture waits in the pipe for the next block; the end of the pipe lets it see
        // the stop.
        std::thread closer([feed] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            close(feed);
        });
        waterfall.StopDrawing();
        rx.Stop();
        closer.join();
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});

        ASSERT_GE(lines.size(), static_cast<size_t>(kBlocks / 4));
        EXPECT_EQ(busyLines, static_cast<int>(lines.size()));
        bool heard = false;
        for (size_t n = 0; n < lines.size(); ++n) {
            const Line& line = lines[n];
            const int silence = SpectrumScale::PaletteIndex(0, line.settings.DisplayCont);
            for (int x = 0; x < SpectrumScale::kPaintedColumns; ++x) {
                const int colour = line.colours[static_cast<std::size_t>(x)];
                if (masked[static_cast<std::size_t>(x)]) {
                    ASSERT_EQ(colour, silence) << "line " << n << ", column " << x;
                } else {
                    heard = heard || colour > silence;
                }
            }
        }
        EXPECT_TRUE(heard) << "the noise passes the band";
    });
}

}  // namespace
}  // namespace tarnwick
