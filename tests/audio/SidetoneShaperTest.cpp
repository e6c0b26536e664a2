#include "audio/SidetoneShaper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace tarnwick {
namespace {

constexpr unsigned kRate = 11025;
constexpr double kHz = 600;
constexpr double kRampMs = 5;
constexpr double kAmp = 8000;
constexpr size_t kRamp = 55;  // 5 ms at 11025 Hz

// The key is down over each [from, to) of `elements`; rendered in blocks of the sizes given in
// turn, so that edges fall anywhere in a block and on its borders.
std::vector<double> Render(SidetoneShaper& shaper,
                           const std::vector<std::pair<size_t, size_t>>& elements, size_t total,
                           const std::vector<size_t>& blocks) {
    std::vector<double> out(total);
    size_t at = 0;
    for (size_t b = 0; at < total; ++b) {
        const size_t n = std::min(blocks[b % blocks.size()], total - at);
        std::vector<KeyChange> changes;
        for (const auto& [from, to] : elements) {
            if (from >= at && from <= at + n) {
                changes.push_back({from - at, true});
            }
            if (to >= at && to <= at + n) {
                changes.push_back({to - at, false});
            }
        }
        std::sort(changes.begin(), changes.end(),
                  [](const KeyChange& a, const KeyChange& b) { return a.at < b.at; });
        // An edge on a border belongs to the later block.
        std::erase_if(changes,
                      [n, at, total](const KeyChange& c) { return c.at == n && at + n < total; });
        shaper.Render(changes, std::span<double>(out.data() + at, n));
        at += n;
    }
    return out;
}

// Share of the power further than `away` Hz from the tone.
double SplatterShare(const std::vector<double>& x, double away) {
    double inside = 0, outside = 0;
    const size_t n = x.size();
    for (double f = 0; f < kRate / 2.0; f += 5) {
        const double w = 2 * std::numbers::pi * f / kRate;
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < n; ++i) {
            const double s = x[i] + 2 * std::cos(w) * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double p = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
        (std::abs(f - kHz) > away ? outside : inside) += p;
    }
    return outside / (inside + outside);
}

// The level of x against the same tone with the key held down all along (both keep the phase).
double LevelAt(const std::vector<double>& x, const std::vector<double>& held, size_t i) {
    return std::abs(held[i]) > kAmp / 3 ? x[i] / held[i] : -1;
}

// Dashes, gaps, and a blip shorter than a ramp; blocks of odd sizes.
TEST(SidetoneShaperTest, TheToneFollowsTheKeyWithRampsAndIsSilentWhileItIsUp) {
    const std::vector<std::pair<size_t, size_t>> elements = {
        {1000, 3000}, {4000, 4030}, {5000, 7000}};
    const std::vector<size_t> blocks = {128, 37, 1, 300, 64};
    SidetoneShaper shaper(kRate, kHz, kRampMs, kAmp);
    const std::vector<double> x = Render(shaper, elements, 9000, blocks);
    SidetoneShaper heldShaper(kRate, kHz, kRampMs, kAmp);
    const std::vector<double> held = Render(heldShaper, {{0, 9000}}, 9000, {9000});

    // Silent, exactly, before the key goes down and once each fall is over.
    for (const auto& [from, to] : std::vector<std::pair<size_t, size_t>>{
             {0, 1000}, {3000 + kRamp, 4000}, {4030 + kRamp, 5000}, {7000 + kRamp, 9000}}) {
        for (size_t i = from; i < to; ++i) {
            ASSERT_EQ(x[i], 0.0) << i;
        }
    }
    // Full level between the ramps; the blip still sounds.
    for (size_t i = 1000 + kRamp; i < 3000; ++i) {
        const double level = LevelAt(x, held, i);
        ASSERT_TRUE(level < 0 || std::abs(level - 1) < 1e-9) << i;
    }
    double blipPeak = 0;
    for (size_t i = 4000; i < 4030 + kRamp; ++i) {
        blipPeak = std::max(blipPeak, std::abs(x[i]));
    }
    EXPECT_GT(blipPeak, kAmp / 4);
    EXPECT_LT(blipPeak, kAmp);
    // At half level from half a ramp after the key went down to half a ramp after it went up:
    // as long as the key was down, and never ahead of it.
    for (const auto& [from, to] : {std::pair<size_t, size_t>{1000, 3000}, {5000, 7000}}) {
        size_t first = 0, last = 0;
        for (size_t i = from; i < to + kRamp; ++i) {
            if (LevelAt(x, held, i) >= 0.5) {
                first = first == 0 ? i : first;
                last = i;
            }
        }
        EXPECT_NEAR(static_cast<double>(first), from + kRamp / 2.0, 12.0);
        EXPECT_NEAR(static_cast<double>(last), to + kRamp / 2.0, 12.0);
    }
}

// Dots at 40 WPM: a key that clicks spreads its power far from the tone (a hard-keyed tone
// leaves about 0.4 % beyond 500 Hz, these ramps under a millionth).
TEST(SidetoneShaperTest, KeyingSpreadsNoPowerFarFromTheTone) {
    std::vector<std::pair<size_t, size_t>> dots;
    for (size_t t = 1000; t + 331 < 10000; t += 662) {
        dots.push_back({t, t + 331});
    }
    SidetoneShaper shaper(kRate, kHz, kRampMs, kAmp);
    const std::vector<double> x = Render(shaper, dots, kRate, {128});
    EXPECT_LT(SplatterShare(x, 500), 1e-5);
}

}  // namespace
}  // namespace tarnwick
