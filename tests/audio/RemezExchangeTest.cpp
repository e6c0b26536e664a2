#include "audio/RemezExchange.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tarnwick {
namespace {

std::vector<double> ReadTaps(const char* name) {
    std::ifstream in(std::filesystem::path(TARNWICK_TEST_DATA) / "fir" / name);
    std::vector<double> taps;
    for (double tap = 0.0; in >> tap;) {
        taps.push_back(tap);
    }
    return taps;
}

// Bands short of 0 and 0.5 take the exchange's other final step, which stretches the axis
// over the grid and converts the result back; scipy's copy of the program is the reference.
TEST(RemezExchangeTest, PartialAxisLowPassMatchesReference) {
    const std::vector<double> expected = ReadTaps("remez_lowpass_31.txt");
    ASSERT_EQ(expected.size(), 31u);
    RemezExchange exchange;
    const std::array<double, 4> edges = {0.02, 0.1, 0.15, 0.45};
    const std::array<double, 2> desired = {1.0, 0.0};
    const std::array<double, 2> weights = {1.0, 10.0};
    std::vector<double> h(31);
    EXPECT_NE(exchange.Design(31, edges, desired, weights, h), RemezExchange::Status::Refused);
    for (int k = 0; k < 31; ++k) {
        EXPECT_NEAR(h[k], expected[k], 1e-9) << "tap " << k;
    }
}

// Every problem the exchange would divide by zero on, or cannot hold, is refused with zeros.
TEST(RemezExchangeTest, RefusesProblemsItCannotSolve) {
    RemezExchange exchange;
    const std::array<double, 3> desired = {0.0, 1.0, 0.0};
    const std::array<double, 3> weights = {30.0, 1.0, 30.0};
    const std::array<double, 6> good = {0.0, 0.1, 0.15, 0.25, 0.3, 0.5};
    const std::array<std::array<double, 6>, 5> badEdges = {{
        {0.0, 0.1, 0.1, 0.25, 0.3, 0.5},     // touching bands
        {0.0, 0.1, 0.25, 0.15, 0.3, 0.5},    // inverted band
        {-0.01, 0.1, 0.15, 0.25, 0.3, 0.5},  // below 0
        {0.0, 0.1, 0.15, 0.25, 0.3, 0.51},   // above 0.5
        {0.0, 0.1, 0.15, NAN, 0.3, 0.5},
    }};
    std::vector<double> h(RemezExchange::kMaxTaps + 2, 1.0);
    for (const auto& edges : badEdges) {
        EXPECT_EQ(exchange.Design(89, edges, desired, weights, h), RemezExchange::Status::Refused);
        EXPECT_EQ(h[0], 0.0);
    }
    for (int taps : {1, 2, 88, RemezExchange::kMaxTaps + 2}) {
        EXPECT_EQ(exchange.Design(taps, good, desired, weights, h), RemezExchange::Status::Refused)
            << taps;
    }
    const std::array<double, 3> negativeWeight = {30.0, -1.0, 30.0};
    EXPECT_EQ(exchange.Design(89, good, desired, negativeWeight, h),
              RemezExchange::Status::Refused);
    const std::array<double, 4> twoBands = {0.0, 0.1, 0.2, 0.5};
    EXPECT_EQ(exchange.Design(89, twoBands, desired, weights, h), RemezExchange::Status::Refused);
    // Fewer grid points than extremals.
    const std::array<double, 2> oneBand = {0.4999, 0.5};
    const std::array<double, 1> one = {1.0};
    EXPECT_EQ(exchange.Design(89, oneBand, one, one, h), RemezExchange::Status::Refused);
    EXPECT_NE(exchange.Design(89, good, desired, weights, h), RemezExchange::Status::Refused);
    // 0.1, 0.1 and 0.2 wide bands at 5760 grid points per unit, each with its end points.
    EXPECT_NEAR(exchange.GridPoints(), 0.4 * 5760 + 3, 3);
}

}  // namespace
}  // namespace tarnwick
