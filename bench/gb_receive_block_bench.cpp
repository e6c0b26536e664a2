// Processing time of one 2048-sample receive block (decimation, two 1024-point transforms,
// averaging, the optional mask, interpolation) as a share of the 185.8 ms of sound it holds.
// Goal: under 0.5 % for each filter setting. The sound devices are left out: they only copy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "audio/FftEngine.h"
#include "audio/ReceiveChain.h"
#include "audio/ReceiveSettingsChannel.h"

namespace {

using tarnwick::FftEngine;
using tarnwick::ReceiveChain;
using tarnwick::ReceiveSettingsChannel;

using Clock = std::chrono::steady_clock;

constexpr double kBlockSeconds = ReceiveChain::kBlockFrames / 11025.0;

std::vector<double> Captured() {
    std::vector<double> x(ReceiveChain::kBlockFrames);
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double t = static_cast<double>(n);
        x[n] = std::trunc(9000.0 * std::sin(0.57 * t) + 3000.0 * std::sin(0.0021 * t * t));
    }
    return x;
}

// range(0): 0 no filter, 1 FIR only, 2 FFT mask only, 3 both. range(1): 1 to redesign the
// FIR filter in every block (the most a block ever does).
void BM_ReceiveBlock(benchmark::State& state) {
    const int filters = static_cast<int>(state.range(0));
    const bool redesign = state.range(1) != 0;
    ReceiveSettingsChannel::Snapshot snapshot;
    snapshot.settings.FirFilter = (filters & 1) != 0;
    snapshot.settings.FftFilter = (filters & 2) != 0;
    snapshot.settings.FilterFreq = 1000;
    snapshot.settings.FilterWidth = 200;
    snapshot.settings.FilterBottomWidth = 600;
    snapshot.settings.DisplayAvg = 4;
    FftEngine fft;
    ReceiveChain chain(fft);
    const std::vector<double> in = Captured();
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        std::copy(in.begin(), in.end(), chain.CaptureBlock().begin());
        if (redesign) {
            ++snapshot.filterGeneration;
        }
        const auto out = chain.Process(snapshot);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
        spent += Clock::now() - start;
    }
    const double perBlock =
        std::chrono::duration<double>(spent).count() / static_cast<double>(state.iterations());
    state.counters["block_share_pct"] = 100.0 * perBlock / kBlockSeconds;
}
BENCHMARK(BM_ReceiveBlock)
    ->ArgNames({"filters", "redesign"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
