// How late a transmit sequence starts after its boundary on the real UTC clock: the time from
// the whole second of the boundary to the sequencer's hand-over of the message (the moment
// PTT is asked for). The loop plays the window's timer: it sleeps on the monotonic clock for
// the time the sequencer says is left until its next tick, then ticks.
//
// Sixty transmit sequences of 15 s or more would take half an hour, so by default the
// sequences last 1 s (the sequencer takes whatever the duration box holds): TX First gives a
// transmit boundary every other second and 60 of them in two minutes. `--unaligned` ticks
// every 1000 ms from a start-up at a random point of the second instead, as a plain periodic
// timer would; `--busy` keeps a core busy from another session, as another program would.
//
//   sequence_boundary_bench [--boundaries N] [--duration S] [--unaligned] [--busy]
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "keyer/Sequencer.h"
#include "keyer/SequencerPort.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"

namespace {

using namespace tarnwick;

// Notes when each message was handed over; nothing is keyed.
class StampingPort : public SequencerPort {
public:
    explicit StampingPort(const UtcClock& clock) : clock_(clock) {}

    bool BeginSend(const std::string&) override {
        sentNs = clock_.NowNs();
        return true;
    }
    void StopSending() override {}
    void ReleaseDevices() override {}
    void PttOn() override {}
    void PttOff() override {}
    void PushTrxText() override {}
    void StartReceive() override {}
    void StopReceive() override {}
    void GenerateStandardMessages() override {}

    int64_t sentNs = -1;

private:
    const UtcClock& clock_;
};

void SleepMonotonicNs(int64_t ns) {
    timespec ts{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) != 0) {
    }
}

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
    int boundaries = 60;
    int duration = 1;
    bool aligned = true;
    bool busy = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--boundaries") == 0 && i + 1 < argc) {
            boundaries = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--duration") == 0 && i + 1 < argc) {
            duration = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--unaligned") == 0) {
            aligned = false;
        } else if (std::strcmp(argv[i], "--busy") == 0) {
            busy = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--boundaries N] [--duration S] [--unaligned] [--busy]\n",
                         argv[0]);
            return 64;
        }
    }

    SystemUtcClock clock;
    CTarnwickDoc doc;
    doc.Contest = 1;
    doc.TXFirst = 1;
    StampingPort port(clock);
    Sequencer seq(doc, clock, port);
    seq.Start();
    seq.SetBufferText(1, "K1ABC DE W9XYZ");
    seq.SetDurationText(std::to_string(duration));
    // Start in two seconds rather than at the next whole minute.
    seq.StartTimeEdited(UtcTimeOfDayText(clock.NowSeconds() + 2));
    seq.ToggleAuto();
    bench::Spinner spinner(busy, true);

    std::vector<double> lateMs;
    if (!aligned) {
        std::random_device random;
        SleepMonotonicNs(static_cast<int64_t>(random() % 1000) * 1'000'000);
    }
    int64_t nextPeriodic = MonotonicNs() + kNsPerSecond;
    while (static_cast<int>(lateMs.size()) < boundaries) {
        if (aligned) {
            SleepMonotonicNs(seq.NsUntilNextTick());
        } else {
            SleepMonotonicNs(std::max<int64_t>(0, nextPeriodic - MonotonicNs()));
            nextPeriodic += kNsPerSecond;
        }
        const int64_t boundary = seq.State().nextStart;
        port.sentNs = -1;
        seq.ClockTick();
        if (port.sentNs >= 0) {
            lateMs.push_back(static_cast<double>(port.sentNs - boundary * kNsPerSecond) / 1e6);
            seq.OnSendDone(kDoneCompleted);
        }
    }
    spinner.Stop();

    const bench::Spread s = bench::SpreadOf(lateMs);
    std::printf("%-10s %6s %10s %9s %9s %9s\n", "tick", "load", "boundaries", "mean ms", "p99 ms",
                "max ms");
    std::printf("%-10s %6s %10d %9.3f %9.3f %9.3f\n", aligned ? "aligned" : "unaligned",
                busy ? "busy" : "idle", boundaries, s.mean, s.p99, s.max);
    return 0;
}
