// The receive side's 1024-point transform against FFTW on the same data, in one run, and the
// ratio of the two; plus one FilterBlock (two transforms, averaging, mask) as the pipeline runs
// it per 186 ms block.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/FftEngine.h"
#include "audio/Radix2Kernel.h"

namespace {

constexpr int kN = tarnwick::FftEngine::kSize;

std::vector<double> TestSignal() {
    std::vector<double> x(2 * kN);
    for (int i = 0; i < kN; ++i) {
        x[2 * i] = 1000.0 * std::sin(0.37 * i) + 300.0 * std::cos(0.051 * i * i);
        x[2 * i + 1] = 0.0;
    }
    return x;
}

void BM_FftEngineForward(benchmark::State& state) {
    tarnwick::FftEngine engine;
    const std::vector<double> in = TestSignal();
    std::vector<double> out(2 * kN);
    for (auto _ : state) {
        engine.Transform(kN, false, in, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["vector_width"] = engine.VectorWidth();
}
BENCHMARK(BM_FftEngineForward);

void BM_FftEngineInverse(benchmark::State& state) {
    tarnwick::FftEngine engine;
    const std::vector<double> in = TestSignal();
    std::vector<double> out(2 * kN);
    for (auto _ : state) {
        engine.Transform(kN, true, in, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FftEngineInverse);

// The narrower variants, as processors without the widest vectors run them.
void BM_KernelWidth(benchmark::State& state) {
    tarnwick::Radix2Kernel kernel(static_cast<int>(state.range(0)));
    const std::vector<double> in = TestSignal();
    std::vector<double> out(2 * kN);
    for (auto _ : state) {
        kernel.Run(kN, tarnwick::FftEngine::kBits, false, in, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["vector_width"] = kernel.VectorWidth();
}
BENCHMARK(BM_KernelWidth)->Arg(2)->Arg(4)->Arg(8);

void BM_FftwForward(benchmark::State& state) {
    auto* in = fftw_alloc_complex(kN);
    auto* out = fftw_alloc_complex(kN);
    fftw_plan plan = fftw_plan_dft_1d(kN, in, out, FFTW_BACKWARD, FFTW_MEASURE);
    const std::vector<double> x = TestSignal();
    for (int i = 0; i < kN; ++i) {
        in[i][0] = x[2 * i];
        in[i][1] = x[2 * i + 1];
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
BENCHMARK(BM_FftwForward);

void BM_FilterBlock(benchmark::State& state) {
    tarnwick::FftEngine engine;
    std::vector<double> block(kN);
    for (int i = 0; i < kN; ++i) {
        block[i] = 1000.0 * std::sin(0.37 * i);
    }
    std::vector<double> play(2 * kN);
    for (auto _ : state) {
        engine.LoadBlock(std::span<const double, kN>(block.data(), kN));
        engine.FilterBlock(4, true, 1000, 100, 200, std::span<double, 2 * kN>(play.data(), 2 * kN));
        benchmark::DoNotOptimize(play.data());
    }
}
BENCHMARK(BM_FilterBlock);

// Reports engine / FFTW from the two forward runs of this process.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const double ns = run.GetAdjustedCPUTime();
            if (run.benchmark_name() == "BM_FftEngineForward") {
                engineNs_ = ns;
            } else if (run.benchmark_name() == "BM_FftwForward") {
                fftwNs_ = ns;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (engineNs_ > 0.0 && fftwNs_ > 0.0) {
            std::printf(
                "1024-point forward transform: FftEngine %.0f ns, FFTW %.0f ns, ratio %.2f "
                "(goal at most 2)\n",
                engineNs_, fftwNs_, engineNs_ / fftwNs_);
        }
    }

private:
    double engineNs_ = 0.0;
    double fftwNs_ = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
