// The waterfall's costs on the window's thread: taking one line into the picture (composing
// one row: a palette look-up per pixel), once per receive block, and composing the whole
// picture again after a resize. The lines come from the drawing thread through a lock-free
// queue, whose push and pop are measured too.
#include <benchmark/benchmark.h>

#include "audio/WaterfallLineQueue.h"
#include "audio/WaterfallPicture.h"

namespace {

using tarnwick::WaterfallLineMaker;
using tarnwick::WaterfallPicture;

WaterfallLineMaker::Line Busy(int seed) {
    WaterfallLineMaker::Line line;
    for (std::size_t c = 0; c < line.colours.size(); ++c) {
        line.colours[c] = static_cast<uint8_t>((c * 37 + static_cast<std::size_t>(seed)) % 256);
    }
    return line;
}

// range(0): width in pixels.
void BM_AddLine(benchmark::State& state) {
    WaterfallPicture picture;
    picture.Resize(static_cast<int>(state.range(0)), 400);
    const WaterfallLineMaker::Line a = Busy(1);
    const WaterfallLineMaker::Line b = Busy(2);
    bool flip = false;
    for (auto _ : state) {
        picture.AddLine(flip ? a : b);
        flip = !flip;
    }
}
BENCHMARK(BM_AddLine)->Arg(486)->Arg(1000)->Arg(2000)->Arg(3840);

// range(0) x range(1): the new size, with a full history of lines to compose.
void BM_Resize(benchmark::State& state) {
    WaterfallPicture picture;
    for (int k = 0; k < WaterfallPicture::kKeptLines; ++k) {
        picture.AddLine(Busy(k));
    }
    bool flip = false;
    for (auto _ : state) {
        picture.Resize(static_cast<int>(state.range(0)) - (flip ? 1 : 0),
                       static_cast<int>(state.range(1)));
        flip = !flip;
    }
}
BENCHMARK(BM_Resize)->Args({1000, 400})->Args({2000, 1000})->Unit(benchmark::kMillisecond);

// One line through the queue: pushed by the drawing thread, taken by the window.
void BM_QueueLine(benchmark::State& state) {
    tarnwick::WaterfallLineQueue queue;
    const WaterfallLineMaker::Line in = Busy(1);
    WaterfallLineMaker::Line out;
    for (auto _ : state) {
        queue.Push(in);
        queue.Pop(out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_QueueLine);

}  // namespace

BENCHMARK_MAIN();
