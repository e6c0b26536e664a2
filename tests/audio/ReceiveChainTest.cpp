#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "audio/BandPassDesigner.h"
#include "audio/FftEngine.h"
#include "audio/ReceiveChain.h"
#include "audio/ReceiveFilterTables.h"
#include "audio/ReceiveSettingsChannel.h"
#include "support/ReceiveReference.h"

namespace tarnwick {
namespace {

using test::ReceiveReference;

constexpr int kBlock = ReceiveChain::kBlockFrames;
constexpr double kRate = 11025.0;

std::vector<double> Noise(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<double> x(kBlock);
    for (double& v : x) {
        v = sample(random);
    }
    return x;
}

std::vector<double> Tone(double hz, double amplitude, long firstSample) {
    std::vector<double> x(kBlock);
    for (int n = 0; n < kBlock; ++n) {
        x[n] = amplitude * std::sin(2.0 * std::numbers::pi * hz / kRate * (firstSample + n));
    }
    return x;
}

ReceiveSettingsChannel::Snapshot Snapshot(const ReceiveReference::Settings& s) {
    ReceiveSettingsChannel::Snapshot snapshot;
    snapshot.settings.FirFilter = s.fir;
    snapshot.settings.FftFilter = s.fft;
    snapshot.settings.FilterFreq = s.centre;
    snapshot.settings.FilterWidth = s.width;
    snapshot.settings.FilterBottomWidth = s.bottom;
    snapshot.settings.DisplayAvg = s.averaging;
    return snapshot;
}

std::vector<double> Feed(ReceiveChain& chain, const std::vector<double>& captured,
                         const ReceiveSettingsChannel::Snapshot& snapshot) {
    std::copy(captured.begin(), captured.end(), chain.CaptureBlock().begin());
    const std::span<const double, kBlock> out = chain.Process(snapshot);
    return {out.begin(), out.end()};
}

std::vector<double> Design(int centre, int width, int bottom) {
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(centre, width, bottom);
    std::vector<double> h(BandPassDesigner::kTaps);
    BandPassDesigner().DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    return h;
}

std::vector<double> Coefficients(const ReceiveChain& chain) {
    return {chain.FirCoefficients().begin(), chain.FirCoefficients().end()};
}

// Amplitude of a tone of `hz` in x (least squares fit of a sine and a cosine).
double Amplitude(const std::vector<double>& x, double hz) {
    double c = 0.0, s = 0.0, cc = 0.0, ss = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double w = 2.0 * std::numbers::pi * hz / kRate * static_cast<double>(n);
        c += x[n] * std::cos(w);
        s += x[n] * std::sin(w);
        cc += std::cos(w) * std::cos(w);
        ss += std::sin(w) * std::sin(w);
    }
    return std::hypot(c / cc, s / ss);
}

template <std::size_t N>
double GainDb(const std::array<double, N>& h, double hz) {
    std::complex<double> sum = 0.0;
    for (std::size_t n = 0; n < N; ++n) {
        sum += h[n] * std::polar(1.0, -2.0 * std::numbers::pi * hz / kRate * n);
    }
    return 20.0 * std::log10(std::abs(sum));
}

// A typo in one of the printed coefficients would show here long before anyone listens.
TEST(ReceiveFilterTablesTest, AreSymmetricAndDoWhatTheyAreMeantTo) {
    for (std::size_t k = 0; k < kDecimationFilter.size(); ++k) {
        ASSERT_EQ(kDecimationFilter[k], kDecimationFilter[kDecimationFilter.size() - 1 - k]);
    }
    for (std::size_t k = 0; k < kInterpolationFilter.size(); ++k) {
        ASSERT_EQ(kInterpolationFilter[k],
                  kInterpolationFilter[kInterpolationFilter.size() - 1 - k]);
    }
    EXPECT_EQ(kInterpolationFilter[22], 0.41246774) << "the centre tap appears once";
    EXPECT_EQ(kInterpolationFilter[21], 0.30510648);

    for (double hz = 0; hz <= kRate / 2; hz += 5) {
        const double decimation = GainDb(kDecimationFilter, hz);
        const double interpolation = GainDb(kInterpolationFilter, hz);
        if (hz <= 2500) {
            EXPECT_NEAR(decimation, 0.0, 0.3) << hz << " Hz";
        }
        if (hz >= 4000) {
            EXPECT_LT(decimation, -69.5) << hz << " Hz";
        }
        if (hz <= 2000) {
            EXPECT_NEAR(interpolation, 0.0, 0.25) << hz << " Hz";
        }
        if (hz >= 2756) {
            EXPECT_LT(interpolation, -73.0) << hz << " Hz";
        }
    }
    EXPECT_NEAR(GainDb(kDecimationFilter, 3000), -6.0, 0.5);
}

class ReceiveChainTest : public ::testing::Test {
protected:
    FftEngine fft_;
};

TEST_F(ReceiveChainTest, EqualsTheStraightforwardComputationBlockAfterBlock) {
    struct Case {
        const char* what;
        ReceiveReference::Settings settings;
    };
    const std::vector<Case> cases{
        {"both filters off", {false, false, 1000, 100, 200, 0}},
        {"spectral mask with averaging over 2", {false, true, 1000, 100, 200, 2}},
        {"designed filter and mask, averaging over 5", {true, true, 1500, 300, 900, 5}},
    };
    for (const Case& c : cases) {
        FftEngine fft;
        const ReceiveReference::Settings& s = c.settings;
        ReceiveChain chain(fft);
        ReceiveReference reference(Design(s.centre, s.width, s.bottom));
        for (unsigned block = 0; block < 3; ++block) {
            const std::vector<double> in = Noise(10 * block + 3);
            const std::vector<double> got = Feed(chain, in, Snapshot(s));
            const std::vector<double> want = reference.Block(in, s);
            for (int n = 0; n < kBlock; ++n) {
                ASSERT_NEAR(got[n], want[n], 1e-6) << c.what << ", block " << block << ":" << n;
            }
            for (int i = 0; i < FftEngine::kSize; ++i) {
                ASSERT_NEAR(chain.AverageSpectrum()[2 * i], reference.Average()[i].real(), 1e-4)
                    << c.what << ", point " << i;
                ASSERT_NEAR(chain.AverageSpectrum()[2 * i + 1], reference.Average()[i].imag(), 1e-4)
                    << c.what << ", point " << i;
            }
        }
        if (s.fir) {
            EXPECT_EQ(Coefficients(chain), Design(s.centre, s.width, s.bottom));
        }
    }
}

// Switching between the filters keeps each one's delay line where it was left, and Clear
// silences both, as at the start of a pass.
TEST_F(ReceiveChainTest, EachDecimatorKeepsItsOwnLineUntilCleared) {
    ReceiveChain chain(fft_);
    ReceiveReference reference(Design(1000, 200, 600));
    ReceiveReference::Settings s{false, false, 1000, 200, 600, 0};
    for (unsigned block = 0; block < 4; ++block) {
        s.fir = block % 2 == 1;
        const std::vector<double> in = Noise(block + 40);
        const std::vector<double> got = Feed(chain, in, Snapshot(s));
        const std::vector<double> want = reference.Block(in, s);
        for (int n = 0; n < kBlock; ++n) {
            ASSERT_NEAR(got[n], want[n], 1e-6) << "block " << block << ":" << n;
        }
    }
    chain.Clear();
    ReceiveReference fresh(Design(1000, 200, 600));
    s.fir = true;
    const std::vector<double> in = Noise(99);
    const std::vector<double> got = Feed(chain, in, Snapshot(s));
    const std::vector<double> want = fresh.Block(in, s);
    for (int n = 0; n < 200; ++n) {
        ASSERT_NEAR(got[n], want[n], 1e-6) << n;
    }
}

// The window publishes whole sets; a new generation of filter values is designed at the next
// block with the FIR filter on, whatever else changed meanwhile, and nothing else designs.
TEST_F(ReceiveChainTest, DesignsEachNewGenerationOfFilterValuesAndNeverRunsUndesigned) {
    ReceiveSettings settings;
    settings.FilterFreq = 1000;
    ReceiveSettingsChannel channel(settings);
    ReceiveChain chain(fft_);
    Feed(chain, Noise(1), channel.Take());
    EXPECT_FALSE(chain.Designed()) << "nothing designed while the filter is off";

    settings.FirFilter = true;
    channel.Publish(settings);
    Feed(chain, Noise(2), channel.Take());
    EXPECT_TRUE(chain.Designed());
    EXPECT_EQ(Coefficients(chain), Design(1000, 100, 200));

    // A change published while a design runs: the worker took its snapshot (1700 Hz) before
    // the window published 1900 Hz; the block after designs 1900 Hz.
    settings.FilterFreq = 1700;
    channel.Publish(settings);
    const ReceiveSettingsChannel::Snapshot during = channel.Take();
    settings.FilterFreq = 1900;
    channel.Publish(settings);
    Feed(chain, Noise(3), during);
    EXPECT_EQ(Coefficients(chain), Design(1700, 100, 200));
    Feed(chain, Noise(4), channel.Take());
    EXPECT_EQ(Coefficients(chain), Design(1900, 100, 200));

    // Other settings are no filter change; a change made while the filter is off is designed
    // when it is turned on again.
    settings.DisplayAvg = 7;
    settings.FftFilter = true;
    channel.Publish(settings);
    EXPECT_EQ(channel.Take().filterGeneration, during.filterGeneration + 1);
    settings.FirFilter = false;
    settings.FilterWidth = 300;
    channel.Publish(settings);
    Feed(chain, Noise(5), channel.Take());
    settings.FirFilter = true;
    channel.Publish(settings);
    Feed(chain, Noise(6), channel.Take());
    EXPECT_EQ(Coefficients(chain), Design(1900, 300, 200));

    // A new chain (a new run of the worker) designs at its first FIR block.
    ReceiveChain next(fft_);
    const std::vector<double> out = Feed(next, Noise(7), channel.Take());
    EXPECT_TRUE(next.Designed());
    EXPECT_EQ(Coefficients(next), Design(1900, 300, 200));
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](double v) { return v != 0.0; }));
}

// Values the operating window lets through, and worse ones from a hand-edited settings file:
// a stop band below 0 Hz, no transition band, an empty or inverted pass band.
TEST_F(ReceiveChainTest, AbsurdFilterValuesNeverBringNaNIntoTheSoundOrTheSpectrum) {
    struct Values {
        int centre, width, bottom;
    };
    const std::vector<Values> values{
        {201, 10, 3000},
        {201, 3000, 3000},
        {1000, 200, 200},
        {2755, 2000, 3000},
        {0, 0, 0},
        {-500, -100, -50},
        {5000, 10, 20},
        {INT_MAX, INT_MAX, INT_MAX},
        {INT_MIN, 7, INT_MIN},
    };
    for (const Values& v : values) {
        const ReceiveSettingsChannel::Snapshot snapshot =
            Snapshot({true, true, v.centre, v.width, v.bottom, 30});
        ReceiveChain chain(fft_);
        for (unsigned block = 0; block < 3; ++block) {
            const std::vector<double> out = Feed(chain, Noise(block + 7), snapshot);
            ASSERT_TRUE(
                std::all_of(out.begin(), out.end(), [](double x) { return std::isfinite(x); }))
                << v.centre << "/" << v.width << "/" << v.bottom;
            const std::span<const double> spectrum = chain.AverageSpectrum();
            ASSERT_TRUE(std::all_of(spectrum.begin(), spectrum.end(),
                                    [](double x) { return std::isfinite(x); }))
                << v.centre << "/" << v.width << "/" << v.bottom;
        }
        const std::vector<double> h = Coefficients(chain);
        EXPECT_TRUE(std::all_of(h.begin(), h.end(), [](double x) { return std::isfinite(x); }));
    }
}

// Both filters off: the tone is band-limited but otherwise untouched, at half its level
// (every second sample fed to the interpolator is zero). The designed band-pass passes a tone
// inside it at that level within its ripple and holds one in its stop band below the ripple
// the design reports.
TEST_F(ReceiveChainTest, TonesComeOutAtHalfLevelOrAttenuatedAsTheDesignPromises) {
    const double amplitude = 16000.0;
    const auto steady = [&](double hz, bool fir) {
        FftEngine fft;
        ReceiveChain chain(fft);
        std::vector<double> out;
        for (long block = 0; block < 3; ++block) {
            out = Feed(chain, Tone(hz, amplitude, block * kBlock),
                       Snapshot({fir, false, 1000, 200, 600, 0}));
        }
        return Amplitude(std::vector<double>(out.begin() + 200, out.end()), hz);
    };
    // The two fixed filters' gains at 1000 Hz: +0.13 dB and +0.01 dB.
    EXPECT_NEAR(steady(1000, false) / (amplitude / 2), 1.0, 0.03);

    BandPassDesigner designer;
    const BandPassDesigner::Problem p = BandPassDesigner::ProblemFor(1000, 200, 600);
    std::vector<double> h(BandPassDesigner::kTaps);
    designer.DesignBandPass(h, BandPassDesigner::kTaps, p.edges, p.desired, p.weights);
    const double passRipple = designer.Exchange().Deviation();
    const double stopRipple = passRipple / BandPassDesigner::kStopWeight;
    ASSERT_LT(stopRipple, 0.03) << "a design worth the name: over 30 dB down";

    EXPECT_NEAR(steady(1000, true) / (amplitude / 2), 1.0, passRipple + 0.01);
    const double stopped = steady(1800, true) / (amplitude / 2);
    EXPECT_LT(stopped, stopRipple * 1.05);
    EXPECT_GT(stopped, 0.0);
}

}  // namespace
}  // namespace tarnwick
