#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/BandPassDesigner.h"
#include "audio/ReceiveProcessor.h"
#include "model/CTarnwickDoc.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "support/AlsaTestConfig.h"
#include "support/ForkedTest.h"
#include "support/ReceiveReference.h"
#include "support/RecordingPrompter.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;

using test::ReceiveReference;
using test::ScratchDir;

constexpr int kBlock = 2048;
constexpr size_t kBlockBytes = 2 * kBlock;
// Where the playback PCM writes: a descriptor the test opened, so that every reopen of the
// device goes on writing where the last one stopped.
constexpr int kPlayedFd = 77;

std::vector<int16_t> Captured(int blocks, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-9000, 9000);
    std::vector<int16_t> x(static_cast<size_t>(blocks) * kBlock);
    for (size_t n = 0; n < x.size(); ++n) {
        const double tone = 12000.0 * std::sin(2.0 * std::numbers::pi * 1000.0 / 11025.0 * n);
        x[n] = static_cast<int16_t>(std::trunc(tone) + noise(random));
    }
    return x;
}

std::vector<double> Design(int centre, int width, int bottom) {
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(centre, width, bottom);
    std::vector<double> h(BandPassDesigner::kTaps);
    BandPassDesigner().DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    return h;
}

// What a 16-bit device stores for a double: truncated toward zero, limited to its range.
int Stored(double v) {
    return static_cast<int>(std::clamp(v, -32768.0, 32767.0));
}

std::vector<int16_t> Samples(const std::string& bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                      static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    }
    return out;
}

// The receive worker on ALSA file PCMs: captured audio comes from a pipe the test feeds one
// block at a time (a file would be read far faster than any sound card delivers, and the
// capture would overflow), played audio goes to a file, at about the pace of a sound card.
class ReceiveFileTest : public ::testing::Test {
protected:
    struct Change {
        int beforeBlock;
        int centre;
    };

    // In the forked child: runs the worker over `captured` with the document set by `setUp`,
    // publishing each change (a new centre) before its block is fed. Before
    // block `stallBefore` the test waits long enough for the playback to run dry.
    void RunWorker(const std::vector<int16_t>& captured, void (*setUp)(CTarnwickDoc&),
                   const std::vector<Change>& changes, int stallBefore = -1) {
        const std::string conf = dir_.File("test.conf");
        ASSERT_TRUE(ScratchDir::Write(
            conf, "pcm.rx_test {\n type asym\n capture.pcm { type file slave.pcm null file \"" +
                      dir_.File("captured.raw") + "\" infile \"" + dir_.File("in.fifo") +
                      "\" format raw }\n playback.pcm { type file slave.pcm null file " +
                      std::to_string(kPlayedFd) + " format raw }\n}\n"));
        AlsaTestConfig::Use(conf);
        setenv(SoundDevices::kDefaultOverride, "rx_test", 1);
        ASSERT_EQ(mkfifo(dir_.File("in.fifo").c_str(), 0600), 0);
        // Read and write, so that neither side's open waits for the other.
        const int feed = open(dir_.File("in.fifo").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(feed, 0);
        const int played = open(dir_.File("out.raw").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(played, 0);
        ASSERT_EQ(dup2(played, kPlayedFd), kPlayedFd);
        close(played);

        CTarnwickDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        doc.DisplayBusy = 0;
        setUp(doc);
        test::RecordingPrompter prompter;
        ReceiveProcessor rx(doc, prompter, RealTime());
        ReceiveSettings settings = ReceiveSettings::FromDocument(doc);
        rx.Start();
        const int blocks = static_cast<int>(captured.size() / kBlock);
        for (int b = 0; b < blocks; ++b) {
            for (const Change& c : changes) {
                if (c.beforeBlock == b) {
                    settings.FilterFreq = c.centre;
                    rx.SetSettings(settings);
                }
            }
            if (b == stallBefore) {
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            const char* bytes = reinterpret_cast<const char*>(&captured[size_t(b) * kBlock]);
            ASSERT_EQ(write(feed, bytes, kBlockBytes), static_cast<ssize_t>(kBlockBytes));
            // One announcement per block played: the next block is fed only then, so the
            // capture never runs more than a block ahead.
            ASSERT_TRUE(RealTime().WaitFor(doc.DataReadyEvent, 20000)) << "block " << b;
        }
        // The last block is announced once it is queued for playback; the playback thread
        // writes it out a moment later (later still on a loaded machine), and a stop would
        // drop it.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        struct stat out {};
        while ((fstat(kPlayedFd, &out) != 0 ||
                out.st_size < static_cast<off_t>(static_cast<size_t>(blocks) * kBlockBytes)) &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // The capture thread waits in the pipe for the next block; the end of the pipe lets it
        // see the stop.
        std::thread closer([feed] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            close(feed);
        });
        rx.Stop();
        closer.join();
        EXPECT_FALSE(rx.IsRunning());
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});
        close(kPlayedFd);
    }

    std::vector<int16_t> Played() const { return Samples(ScratchDir::Read(dir_.File("out.raw"))); }

    ScratchDir dir_{"tarnwick-rx-file"};
};

void ExpectPlayed(const std::vector<int16_t>& played, const std::vector<double>& expected,
                  size_t blocks) {
    ASSERT_GE(played.size(), blocks * kBlock) << "every block fed was played";
    int exact = 0;
    for (size_t n = 0; n < blocks * kBlock; ++n) {
        ASSERT_NEAR(played[n], Stored(expected[n]), 1) << "sample " << n;
        exact += played[n] == Stored(expected[n]) ? 1 : 0;
    }
    // Off by one only where two ways of rounding straddle a whole number.
    EXPECT_GT(exact, static_cast<int>(blocks * kBlock) - 10);
}

// A stall in the captured audio lets the playback run dry; the worker reopens it without a
// word and plays the block that found it dry, so nothing is lost.
TEST_F(ReceiveFileTest, WithoutFiltersEveryBlockIsPlayedAsComputedAtHalfLevelEvenAfterAStall) {
    const int blocks = 6;
    const std::vector<int16_t> captured = Captured(blocks, 11);
    test::RunForked([&] {
        RunWorker(
            captured,
            [](CTarnwickDoc& doc) {
                doc.FirFilter = 0;
                doc.FftFilter = 0;
                doc.DisplayAvg = 0;
            },
            {}, 4);
    });
    ReceiveReference reference;
    std::vector<double> expected;
    for (int b = 0; b < blocks; ++b) {
        const std::vector<double> in(captured.begin() + b * kBlock,
                                     captured.begin() + (b + 1) * kBlock);
        const std::vector<double> out = reference.Block(in, {});
        expected.insert(expected.end(), out.begin(), out.end());
    }
    ExpectPlayed(Played(), expected, blocks);
}

TEST_F(ReceiveFileTest, DesignedFilterMaskAndAverageFollowTheDocumentBlockByBlock) {
    const int blocks = 6;
    const std::vector<int16_t> captured = Captured(blocks, 12);
    test::RunForked([&] {
        RunWorker(captured,
                  [](CTarnwickDoc& doc) {
                      doc.FirFilter = 1;
                      doc.FftFilter = 1;
                      doc.FilterFreq = 900;
                      doc.FilterWidth = 300;
                      doc.FilterBottomWidth = 900;
                      doc.DisplayAvg = 3;
                  },
                  {{3, 1100}});
    });
    ReceiveReference reference(Design(900, 300, 900));
    ReceiveReference::Settings s{true, true, 900, 300, 900, 3};
    std::vector<double> expected;
    for (int b = 0; b < blocks; ++b) {
        if (b == 3) {
            s.centre = 1100;
            reference.SetFir(Design(1100, 300, 900));
        }
        const std::vector<double> in(captured.begin() + b * kBlock,
                                     captured.begin() + (b + 1) * kBlock);
        const std::vector<double> out = reference.Block(in, s);
        expected.insert(expected.end(), out.begin(), out.end());
    }
    ExpectPlayed(Played(), expected, blocks);
}

}  // namespace
}  // namespace tarnwick
