// Keys "PARIS " for a minute or more through the real timer service and the keying loop onto a
// recording device, and compares every key edge with the ideal schedule.
//
//   keying_timing_bench [--seconds S] [--priority 0..5]
//
// For 20 and 50 WPM, idle and with the other core kept busy by a spinning process, prints the
// per-edge error (mean, p99, max in ms) against the schedule from the first key-down, the drift
// of the last edge, the keying thread's CPU time and the time from the start to the first
// key-down.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortManager.h"
#include "send/MediaTimer.h"

namespace {

using namespace tarnwick;

class EdgeRecorder : public KeyingDevice {
public:
    EdgeRecorder() { edges_.reserve(200000); }
    void KeyDown() override { Record(true); }
    void KeyUp() override { Record(false); }
    std::vector<std::pair<int64_t, bool>>& Edges() { return edges_; }

private:
    void Record(bool down) {
        const int64_t now = RealTime().NowNs();
        if (down != down_) {
            edges_.emplace_back(now, down);
            down_ = down;
        }
    }
    bool down_ = false;
    std::vector<std::pair<int64_t, bool>> edges_;
};

class NullSink : public NoticeSink {
protected:
    void Deliver(Notice) override {}
};

struct Result {
    double meanMs, p99Ms, maxMs, driftMs, cpuMs, seconds, startMs;
    size_t edges;
    std::string priority;
};

Result Run(unsigned wpm, double seconds, int priority) {
    CTarnwickDoc doc;
    doc.CWRate = wpm;
    doc.CWInd = 0;
    const CwTiming timing = ComputeCwTiming(wpm, doc.DotWgt, doc.DashWgt, doc.LetterSp);
    const double wordMs =
        static_cast<double>(CwDurationMs(ConvertToMorse("PARIS "), timing)) + timing.letterGapMs;
    std::string text;
    for (double t = 0; t < seconds * 1000; t += wordMs) {
        text += "PARIS ";
    }
    NullSink sink;
    KeyingPortManager::Devices devices;
    auto recorder = std::make_unique<EdgeRecorder>();
    EdgeRecorder* rec = recorder.get();
    devices.cw = std::move(recorder);
    KeyingPortManager ports(doc, sink, RealTime(), std::move(devices));

    Result r{};
    int64_t start = 0;
    std::thread keyer([&] {
        ThreadScheduling scheduling(PriorityFromSetting(priority));
        MediaTimer timer(doc, RealTime());
        MorseRun run = ConvertToMorse(text);
        std::atomic<int> stop{0};
        timespec cpu0{}, cpu1{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
        start = RealTime().NowNs();
        timer.SendCw(run, ports, stop);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
        r.cpuMs = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
        r.priority = scheduling.Report().scheduling;
    });
    keyer.join();

    const auto ideal = IdealCwSchedule(ConvertToMorse(text), timing);
    const auto& got = rec->Edges();
    const size_t n = std::min(ideal.size(), got.size());
    std::vector<double> errors;
    errors.reserve(n);
    // The schedule starts at the first key-down; how long that took is reported on its own
    // (a keying thread may wait briefly for its real-time grant before the first element).
    const int64_t origin = n ? got[0].first : start;
    for (size_t i = 0; i < n; ++i) {
        const double e = (got[i].first - origin) / 1e6 - static_cast<double>(ideal[i].atMs);
        errors.push_back(std::abs(e));
    }
    const bench::Spread spread = bench::SpreadOf(errors);
    r.edges = n;
    r.meanMs = spread.mean;
    r.p99Ms = spread.p99;
    r.maxMs = spread.max;
    r.driftMs = n ? (got[n - 1].first - origin) / 1e6 - static_cast<double>(ideal[n - 1].atMs) : 0;
    r.seconds = n ? (got[n - 1].first - origin) / 1e9 : 0;
    r.startMs = (origin - start) / 1e6;
    if (ideal.size() != got.size()) {
        std::fprintf(stderr, "edge count differs: ideal %zu, keyed %zu\n", ideal.size(),
                     got.size());
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    int priority = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::atof(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--priority") == 0) {
            priority = std::atoi(argv[i + 1]);
        }
    }
    std::printf("%-5s %-6s %-18s %7s %9s %8s %8s %8s %9s %9s %9s\n", "WPM", "load", "keying thread",
                "edges", "seconds", "mean ms", "p99 ms", "max ms", "drift ms", "CPU ms",
                "start ms");
    for (const bool busy : {false, true}) {
        for (const unsigned wpm : {20u, 50u}) {
            bench::Spinner spinner(busy);
            const Result r = Run(wpm, seconds, priority);
            spinner.Stop();
            std::printf("%-5u %-6s %-18s %7zu %9.1f %8.3f %8.3f %8.3f %9.3f %9.1f %9.3f\n", wpm,
                        busy ? "busy" : "idle", r.priority.c_str(), r.edges, r.seconds, r.meanMs,
                        r.p99Ms, r.maxMs, r.driftMs, r.cpuMs, r.startMs);
            std::fflush(stdout);
        }
    }
    return 0;
}
