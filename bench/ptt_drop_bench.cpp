// How long PTT stays up after a stop (what Ctrl-C or the window's ESC does) and after the
// transmit-inhibit input rises, measured in-process from the request to the PTT line dropping,
// with the message keying "PARIS " at 20 WPM. The serial port is the fake one: this machine has
// no modem lines, and the interest is the keyer's own latency.
//
//   ptt_drop_bench [--trials N]
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"
#include "ports/KeyingObserver.h"
#include "ports/SerialLines.h"
#include "send/EngineDriver.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingPrompter.h"

namespace {

using namespace tarnwick;

class PttDropClock : public KeyingObserver {
public:
    void OnPtt(bool up) override {
        if (!up) {
            int64_t expected = 0;
            droppedNs.compare_exchange_strong(expected, RealTime().NowNs());
        }
    }
    void OnKey(bool) override {}
    void OnCharacter(char) override {}
    std::atomic<int64_t> droppedNs{0};
};

double OneTrial(bool inhibit, std::mt19937& random) {
    CTarnwickDoc doc;
    doc.CWRate = 20;
    doc.TXDelay = 0;
    doc.ComPort[0] = 1;
    doc.PortMatrix[0][0] = 1;
    doc.PortMatrix[0][1] = 2;
    if (inhibit) {
        doc.PortMatrix[0][2] = 4;
    }
    NoticeQueue view;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    PttDropClock clock;
    TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
    engine.SetKeyingObserver(&clock);
    Event stop(ResetMode::Manual);
    engine.Send("{PARIS }[R:600]");
    std::thread window([&] {
        EngineDriver driver(engine, view, RealTime());
        driver.RunUntilDone(&stop);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 700));
    clock.droppedNs = 0;
    const int64_t t0 = RealTime().NowNs();
    if (inhibit) {
        hardware.SerialInputs("/dev/ttyS0").status = kModemCtsOn;
    } else {
        stop.Set();
    }
    window.join();
    return (clock.droppedNs.load() - t0) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    int trials = 40;
    if (argc == 3 && std::strcmp(argv[1], "--trials") == 0) {
        trials = std::max(1, std::atoi(argv[2]));
    }
    std::mt19937 random(1);
    std::printf("%-10s %7s %9s %9s %9s\n", "trigger", "trials", "mean ms", "p99 ms", "max ms");
    for (const bool inhibit : {false, true}) {
        std::vector<double> latencies;
        for (int i = 0; i < trials; ++i) {
            latencies.push_back(OneTrial(inhibit, random));
        }
        const bench::Spread s = bench::SpreadOf(latencies);
        std::printf("%-10s %7d %9.3f %9.3f %9.3f\n", inhibit ? "inhibit" : "stop", trials, s.mean,
                    s.p99, s.max);
    }
    return 0;
}
