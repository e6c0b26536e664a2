#include "audio/BandPassDesigner.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr int kTaps = BandPassDesigner::kTaps;
constexpr double kRate = BandPassDesigner::kSampleRate;

std::vector<double> Design(BandPassDesigner& designer, int centre, int width, int bottom) {
    const BandPassDesigner::Problem problem = BandPassDesigner::ProblemFor(centre, width, bottom);
    std::vector<double> h(kTaps);
    EXPECT_TRUE(designer.DesignBandPass(h, kTaps, problem.edges, problem.desired, problem.weights));
    return h;
}

// Zero-phase amplitude of a symmetric odd-length filter at f (fraction of the sample rate).
double Amplitude(const std::vector<double>& h, double f) {
    const int centre = static_cast<int>(h.size()) / 2;
    double a = h[centre];
    for (int k = 1; k <= centre; ++k) {
        a += 2.0 * h[centre - k] * std::cos(2.0 * M_PI * f * k);
    }
    return a;
}

struct BandError {
    double pass = 0.0;  // largest |A - 1| in the pass band
    double stop = 0.0;  // largest |A| in the stop bands
};

BandError MeasureBands(const std::vector<double>& h, const std::array<double, 6>& e) {
    BandError error;
    constexpr int kPoints = 20000;
    for (int i = 0; i <= kPoints; ++i) {
        const double f = 0.5 * i / kPoints;
        if (f >= e[2] && f <= e[3]) {
            error.pass = std::max(error.pass, std::fabs(Amplitude(h, f) - 1.0));
        } else if (f <= e[1] || f >= e[4]) {
            error.stop = std::max(error.stop, std::fabs(Amplitude(h, f)));
        }
    }
    return error;
}

void ExpectSymmetricAndFinite(const std::vector<double>& h) {
    for (int k = 0; k < kTaps; ++k) {
        ASSERT_TRUE(std::isfinite(h[k])) << "tap " << k;
        ASSERT_EQ(h[k], h[kTaps - 1 - k]) << "tap " << k;
    }
}

TEST(BandPassDesignerTest, ProblemFollowsTheOperatorsValues) {
    const auto p = BandPassDesigner::ProblemFor(1000, 200, 600);
    EXPECT_EQ(p.edges[0], 0.0);
    EXPECT_EQ(p.edges[1], 700.0 / kRate);
    EXPECT_EQ(p.edges[2], 900.0 / kRate);
    EXPECT_EQ(p.edges[3], 1100.0 / kRate);
    EXPECT_EQ(p.edges[4], 1300.0 / kRate);
    EXPECT_EQ(p.edges[5], 0.5);
    EXPECT_EQ(p.desired, (std::array<double, 3>{0.0, 1.0, 0.0}));
    EXPECT_EQ(p.weights, (std::array<double, 3>{30.0, 1.0, 30.0}));
    // Halves in floating point: an odd width keeps its half hertz.
    EXPECT_EQ(BandPassDesigner::ProblemFor(1000, 11, 13).edges[2], 994.5 / kRate);
}

// scipy.signal.remez (scripts/gen_fir_reference.py) solves the same problem with its own copy
// of the published exchange; the two must agree to rounding.
TEST(BandPassDesignerTest, MatchesIndependentReferenceDesigns) {
    const std::filesystem::path dir = std::filesystem::path(TARNWICK_TEST_DATA) / "fir";
    BandPassDesigner designer;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        int centre = 0, width = 0, bottom = 0;
        const std::string name = entry.path().filename().string();
        if (std::sscanf(name.c_str(), "bandpass_%d_%d_%d.txt", &centre, &width, &bottom) != 3) {
            continue;
        }
        ++files;
        std::ifstream in(entry.path());
        std::vector<double> expected;
        for (double tap = 0.0; in >> tap;) {
            expected.push_back(tap);
        }
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(kTaps)) << name;
        const std::vector<double> h = Design(designer, centre, width, bottom);
        for (int k = 0; k < kTaps; ++k) {
            EXPECT_NEAR(h[k], expected[k], 1e-9) << name << " tap " << k;
        }
    }
    EXPECT_GE(files, 13);
}

// The equiripple promise: the pass band stays within 1 +- delta and the stop bands within
// delta / 30, delta being the levelled deviation the exchange reports, and the bound is
// reached (a looser filter would not be optimal).
TEST(BandPassDesignerTest, ResponseMeetsTheLevelledDeviation) {
    BandPassDesigner designer;
    const int cases[][3] = {{1000, 200, 600}, {1000, 100, 200},   {2755, 2000, 3000},
                            {700, 300, 1400}, {1500, 2000, 2400}, {201, 100, 400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2]);
        const std::vector<double> h = Design(designer, c[0], c[1], c[2]);
        ExpectSymmetricAndFinite(h);
        EXPECT_EQ(designer.LastStatus(), RemezExchange::Status::Converged);
        const double delta = designer.Exchange().Deviation();
        const BandError error =
            MeasureBands(h, BandPassDesigner::ProblemFor(c[0], c[1], c[2]).edges);
        // Between the points of the design grid the ripple may peak a little higher.
        EXPECT_LE(error.pass, delta * 1.01);
        EXPECT_LE(error.stop, delta / 30.0 * 1.01);
        EXPECT_GE(std::max(error.pass, 30.0 * error.stop), delta * 0.999);
    }
}

TEST(BandPassDesignerTest, WideTransitionsGiveADeepStopBand) {
    BandPassDesigner designer;
    const std::vector<double> h = Design(designer, 1000, 200, 600);
    const BandError error = MeasureBands(h, BandPassDesigner::ProblemFor(1000, 200, 600).edges);
    EXPECT_LT(error.pass, 0.2);
    EXPECT_LT(20.0 * std::log10(error.stop), -45.0);
    EXPECT_NEAR(Amplitude(h, 1000.0 / kRate), 1.0, 0.2);
}

TEST(BandPassDesignerTest, UsableEdgesLeaveASolvableProblemAlone) {
    const auto p = BandPassDesigner::ProblemFor(1000, 200, 600);
    const double gap = RemezExchange::GridSpacing(kTaps);
    EXPECT_EQ(BandPassDesigner::UsableEdges(p.edges, gap), p.edges);
}

TEST(BandPassDesignerTest, UsableEdgesRepairImpossibleBands) {
    const double gap = RemezExchange::GridSpacing(kTaps);
    {
        SCOPED_TRACE("lower stop edge below 0 Hz: the stop band shrinks to 0 Hz");
        const auto p = BandPassDesigner::ProblemFor(201, 10, 3000);
        const auto e = BandPassDesigner::UsableEdges(p.edges, gap);
        EXPECT_EQ(e[1], 0.0);
        EXPECT_EQ(e[2], p.edges[2]);
        EXPECT_EQ(e[4], p.edges[4]);
    }
    {
        SCOPED_TRACE("width equal to the -60 dB width: one grid step of transition");
        const auto p = BandPassDesigner::ProblemFor(1000, 100, 100);
        const auto e = BandPassDesigner::UsableEdges(p.edges, gap);
        EXPECT_EQ(e[2], p.edges[2]);
        EXPECT_EQ(e[3], p.edges[3]);
        EXPECT_EQ(e[1], e[2] - gap);
        EXPECT_EQ(e[4], e[3] + gap);
    }
    {
        SCOPED_TRACE("negative width: 10 Hz about the centre");
        const auto e =
            BandPassDesigner::UsableEdges(BandPassDesigner::ProblemFor(1000, -100, 200).edges, gap);
        EXPECT_DOUBLE_EQ(e[2], 995.0 / kRate);
        EXPECT_DOUBLE_EQ(e[3], 1005.0 / kRate);
        EXPECT_DOUBLE_EQ(e[1], 900.0 / kRate);
    }
    {
        SCOPED_TRACE("-60 dB width beyond the axis: 1500 Hz transitions");
        const auto e = BandPassDesigner::UsableEdges(
            BandPassDesigner::ProblemFor(2000, 1000, 100000).edges, gap);
        EXPECT_DOUBLE_EQ(e[1], 0.0);
        EXPECT_DOUBLE_EQ(e[4] * kRate, 4000.0);
    }
    {
        SCOPED_TRACE("everything at 0 Hz: the pass band moves off the axis end whole");
        const auto e =
            BandPassDesigner::UsableEdges(BandPassDesigner::ProblemFor(0, 0, 0).edges, gap);
        EXPECT_EQ(e[1], 0.0);
        EXPECT_EQ(e[2], gap);
        EXPECT_DOUBLE_EQ(e[3] - e[2], 10.0 / kRate);
        EXPECT_EQ(e[4], e[3] + gap);
        EXPECT_EQ(e[5], 0.5);
    }
}

// Whatever the operator's three numbers (or a damaged settings file) say, the design yields a
// finite, exactly symmetric filter and never divides by coinciding frequencies.
TEST(BandPassDesignerTest, AnyValuesGiveAFiniteSymmetricFilter) {
    BandPassDesigner designer;
    const int centres[] = {INT_MIN, -100, 0, 1, 201, 1000, 2755, 5512, 5513, 20000, INT_MAX};
    const int widths[] = {INT_MIN, -3000, -1, 0, 1, 10, 200, 2000, 6000, INT_MAX};
    for (int centre : centres) {
        for (int width : widths) {
            for (int bottom : widths) {
                SCOPED_TRACE(testing::Message() << centre << " " << width << " " << bottom);
                const std::vector<double> h = Design(designer, centre, width, bottom);
                ExpectSymmetricAndFinite(h);
                ASSERT_TRUE(std::isfinite(designer.Exchange().Deviation()));
            }
        }
    }
}

// The absurd values the operating window lets through still give a band-pass around the
// centre: louder there than anywhere in the (repaired) stop bands.
TEST(BandPassDesignerTest, RepairedDesignsStillPassTheCentre) {
    BandPassDesigner designer;
    const int cases[][3] = {{201, 10, 3000}, {201, 2000, 3000}, {1000, 100, 100},  {1000, 300, 200},
                            {1000, 0, 200},  {1000, -100, 200}, {1000, 10, 100000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2]);
        const std::vector<double> h = Design(designer, c[0], c[1], c[2]);
        const double gap = RemezExchange::GridSpacing(kTaps);
        const auto e = BandPassDesigner::UsableEdges(
            BandPassDesigner::ProblemFor(c[0], c[1], c[2]).edges, gap);
        const BandError error = MeasureBands(h, e);
        const double centreGain = std::fabs(Amplitude(h, c[0] / kRate));
        EXPECT_GT(centreGain, 1.5 * error.stop);
        // Around -80 dB rounding in the exchange, not the design, sets the floor (scipy's
        // design of the same edges shows it too).
        EXPECT_LE(error.stop, std::max(designer.Exchange().Deviation() / 30.0 * 1.02, 1e-4));
    }
}

// Narrow pass bands with wide transitions, which the window allows, make a task so easy that
// the published exchange levels a deviation lost in rounding (and yields NaN). The designer
// steepens the transitions instead: the result still meets the -60 dB edges asked for, by far.
TEST(BandPassDesignerTest, TooEasyProblemsAreSteepenedNotLost) {
    BandPassDesigner designer;
    const int cases[][3] = {
        {492, 10, 2534}, {1000, 10, 2000}, {1000, 10, 1910}, {2755, 2000, 8000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2]);
        const std::vector<double> h = Design(designer, c[0], c[1], c[2]);
        ExpectSymmetricAndFinite(h);
        EXPECT_EQ(designer.LastStatus(), RemezExchange::Status::Converged);
        const BandError error =
            MeasureBands(h, BandPassDesigner::ProblemFor(c[0], c[1], c[2]).edges);
        EXPECT_LT(error.pass, 1e-3);
        EXPECT_LT(20.0 * std::log10(error.stop), -100.0);
    }
}

TEST(BandPassDesignerTest, RefusesWhatItCannotDesignWithSilence) {
    BandPassDesigner designer;
    const auto p = BandPassDesigner::ProblemFor(1000, 100, 200);
    std::vector<double> h(kTaps, 7.0);
    EXPECT_FALSE(designer.DesignBandPass(h, 88, p.edges, p.desired, p.weights));
    EXPECT_EQ(h, std::vector<double>(kTaps, 0.0));

    std::vector<double> shortArray(kTaps - 1, 7.0);
    EXPECT_FALSE(designer.DesignBandPass(shortArray, kTaps, p.edges, p.desired, p.weights));

    const std::array<double, 3> badWeights = {30.0, 0.0, 30.0};
    EXPECT_FALSE(designer.DesignBandPass(h, kTaps, p.edges, p.desired, badWeights));
    const std::array<double, 3> badDesired = {0.0, NAN, 0.0};
    EXPECT_FALSE(designer.DesignBandPass(h, kTaps, p.edges, badDesired, p.weights));
    EXPECT_EQ(designer.LastStatus(), RemezExchange::Status::Refused);

    // A refusal leaves nothing behind: the next design is the same as a fresh one.
    std::vector<double> again(kTaps);
    ASSERT_TRUE(designer.DesignBandPass(again, kTaps, p.edges, p.desired, p.weights));
    BandPassDesigner fresh;
    EXPECT_EQ(again, Design(fresh, 1000, 100, 200));
}

}  // namespace
}  // namespace tarnwick
