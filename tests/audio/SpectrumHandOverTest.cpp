#include "audio/SpectrumHandOver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace tarnwick {
namespace {

constexpr int kDoubles = SpectrumHandOver::kDoubles;

// The writer publishes spectra filled with their own number as fast as it can; whatever the
// interleaving, the reader only ever sees whole spectra, never older than the last it saw.
TEST(SpectrumHandOverTest, TheReaderSeesOnlyWholeSpectraAndNeverGoesBack) {
    SpectrumHandOver handOver;
    const SpectrumHandOver::View first = handOver.Latest();
    EXPECT_EQ(first.number, 0u);
    EXPECT_TRUE(
        std::all_of(first.average.begin(), first.average.end(), [](double v) { return v == 0.0; }));

    // At least this many; on a loaded machine the writer goes on until the reader has seen two
    // of them (the writer can otherwise be done before the reader first runs).
    constexpr int kSpectra = 3000;
    std::atomic<bool> done{false};
    std::atomic<int> seenByReader{0};
    std::atomic<int> written{0};
    std::thread writer([&] {
        std::vector<double> spectrum(kDoubles);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        int n = 1;
        for (; n <= kSpectra ||
               (seenByReader.load() < 2 && std::chrono::steady_clock::now() < giveUp);
             ++n) {
            std::fill(spectrum.begin(), spectrum.end(), static_cast<double>(n));
            handOver.Publish(spectrum);
        }
        written = n - 1;
        done = true;
    });
    uint64_t last = 0;
    int seen = 0;
    for (bool finished = false; !finished;) {
        finished = done.load();
        const SpectrumHandOver::View view = handOver.Latest();
        ASSERT_GE(view.number, last);
        const double value = static_cast<double>(view.number);
        ASSERT_TRUE(std::all_of(view.average.begin(), view.average.end(),
                                [value](double v) { return v == value; }))
            << "spectrum " << view.number << " seen while it was written";
        seen += view.number != last ? 1 : 0;
        seenByReader = seen;
        last = view.number;
    }
    writer.join();
    EXPECT_EQ(last, static_cast<uint64_t>(written.load())) << "the newest one is there at the end";
    EXPECT_GT(seen, 1);

    // A short spectrum is padded with silence.
    handOver.Publish(std::vector<double>{3.0, 4.0});
    const SpectrumHandOver::View padded = handOver.Latest();
    EXPECT_EQ(padded.average[1], 4.0);
    EXPECT_EQ(padded.average[2], 0.0);
    EXPECT_EQ(padded.average[kDoubles - 1], 0.0);
}

}  // namespace
}  // namespace tarnwick
