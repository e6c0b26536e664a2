// How long PTT stays up after a stop (what Ctrl-C or the window's ESC does) and after the
// transmit-inhibit input rises, measured in-process from the request to the PTT line dropping,
// with the message keying "PARIS " at 20 WPM. The serial port is the fake one: this machine has
// no modem lines, and the interest is the keyer's own latency. Then the share of a core the
// inhibit watcher takes while a message goes out, read from the watcher thread's own CPU clock.
//
//   ptt_drop_bench [--trials N] [--cpu-seconds S]
#include <time.h>
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
#include "ports/KeyingHardware.h"
#include "ports/KeyingObserver.h"
#include "ports/ParallelPortIo.h"
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

int64_t ThreadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The fake hardware, with serial ports whose status reads note the reading thread's CPU time:
// the only reader is the inhibit watcher, so this is the watcher's own cost up to its last poll.
class CpuClockedHardware : public KeyingHardware {
public:
    class Lines : public SerialLines {
    public:
        Lines(std::shared_ptr<SerialLines> inner, CpuClockedHardware& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        bool SetRts() override { return inner_->SetRts(); }
        bool ClearRts() override { return inner_->ClearRts(); }
        bool SetDtr() override { return inner_->SetDtr(); }
        bool ClearDtr() override { return inner_->ClearDtr(); }
        std::optional<uint32_t> ModemStatus() override {
            owner_.readerCpuNs = ThreadCpuNs();
            owner_.reads.fetch_add(1);
            return inner_->ModemStatus();
        }

    private:
        std::shared_ptr<SerialLines> inner_;
        CpuClockedHardware& owner_;
    };

    SerialOpenResult OpenSerial(const std::string& devicePath) override {
        SerialOpenResult r = fake.OpenSerial(devicePath);
        if (r.lines) {
            r.lines = std::make_shared<Lines>(r.lines, *this);
        }
        return r;
    }
    std::unique_ptr<ParallelPortIo> OpenParallel(uint16_t baseAddress, std::string* why) override {
        return fake.OpenParallel(baseAddress, why);
    }

    test::FakeKeyingHardware fake;
    std::atomic<int64_t> readerCpuNs{0};
    std::atomic<int> reads{0};
};

void WatcherCpu(int seconds) {
    CTarnwickDoc doc;
    doc.CWRate = 20;
    doc.TXDelay = 0;
    doc.ComPort[0] = 1;
    doc.PortMatrix[0][0] = 1;
    doc.PortMatrix[0][1] = 2;
    doc.PortMatrix[0][2] = 4;
    NoticeQueue view;
    test::RecordingPrompter prompter;
    CpuClockedHardware hardware;
    TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
    Event stop(ResetMode::Manual);
    engine.Send("{PARIS }[R:" + std::to_string(seconds + 10) + "]");
    std::thread window([&] {
        EngineDriver driver(engine, view, RealTime());
        driver.RunUntilDone(&stop);
    });
    // Beside it, a bare thread sleeping 10 ms at a time: what any wake-up costs on this machine.
    std::atomic<bool> sleeping{true};
    std::atomic<int64_t> sleeperCpuNs{0};
    std::thread sleeper([&] {
        while (sleeping.load()) {
            timespec d{0, 10'000'000};
            clock_nanosleep(CLOCK_MONOTONIC, 0, &d, nullptr);
            sleeperCpuNs = ThreadCpuNs();
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int64_t cpu0 = hardware.readerCpuNs.load();
    const int64_t sleeper0 = sleeperCpuNs.load();
    const int reads0 = hardware.reads.load();
    const int64_t t0 = RealTime().NowNs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const int64_t cpu1 = hardware.readerCpuNs.load();
    const int64_t sleeper1 = sleeperCpuNs.load();
    const int reads1 = hardware.reads.load();
    const int64_t t1 = RealTime().NowNs();
    sleeping = false;
    sleeper.join();
    stop.Set();
    window.join();
    const double wallMs = (t1 - t0) / 1e6;
    const double cpuMs = (cpu1 - cpu0) / 1e6;
    const double sleeperMs = (sleeper1 - sleeper0) / 1e6;
    std::printf(
        "inhibit watcher while transmitting: %.1f s, %d polls, %.2f ms CPU, %.4f %% of a core\n",
        wallMs / 1e3, reads1 - reads0, cpuMs, cpuMs / wallMs * 100);
    std::printf("a bare 10 ms sleep loop beside it:  %.2f ms CPU, %.4f %% of a core\n", sleeperMs,
                sleeperMs / wallMs * 100);
}

}  // namespace

int main(int argc, char** argv) {
    int trials = 40;
    int cpuSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--trials") == 0) {
            trials = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--cpu-seconds") == 0) {
            cpuSeconds = std::max(1, std::atoi(argv[i + 1]));
        }
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
    WatcherCpu(cpuSeconds);
    return 0;
}
