// What recording a key edge for the sidetone adds to the keying thread's work per edge: the
// clock read and the two stores, against the clock read alone, with a listener taking the
// edges on another thread or not.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/TimeBase.h"
#include "ports/KeyEdgeTap.h"

namespace {

void BM_ClockReadOnly(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tarnwick::RealTime().NowNs());
    }
}
BENCHMARK(BM_ClockReadOnly);

void BM_RecordEdge(benchmark::State& state) {
    tarnwick::KeyEdgeTap tap;
    bool down = false;
    for (auto _ : state) {
        tap.Record(down);
        down = !down;
    }
}
BENCHMARK(BM_RecordEdge);

void BM_RecordEdgeWhileTaken(benchmark::State& state) {
    tarnwick::KeyEdgeTap tap;
    std::atomic<bool> stop{false};
    std::thread listener([&] {
        uint64_t cursor = 0;
        std::vector<tarnwick::KeyEdgeTap::Edge> edges;
        while (!stop.load()) {
            edges.clear();
            tap.TakeSince(cursor, edges);
        }
    });
    bool down = false;
    for (auto _ : state) {
        tap.Record(down);
        down = !down;
    }
    stop.store(true);
    listener.join();
}
BENCHMARK(BM_RecordEdgeWhileTaken);

}  // namespace

BENCHMARK_MAIN();
