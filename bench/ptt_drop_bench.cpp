// How long PTT stays up after a stop (what Ctrl-C or the window's ESC does) and after the
// transmit-inhibit input rises, measured in-process from the request to the PTT line dropping.
// PTT is on the fake serial port (this machine has no modem lines; the interest is the keyer's
// own latency). The cases:
//   stop       the message keys "PARIS " at 20 WPM
//   inhibit    the same, ended by the inhibit input
//   sound-hung a WAV insert plays on a private sound server that is frozen (SIGSTOP) just before
//              the stop
//   rig-killed CW goes to a real rig-control daemon, which is killed just before the stop
//   rig-hung   the same, but the daemon is frozen instead
//   rig-ptt    PTT and CW both go to a live daemon; the PTT drop is when the daemon has logged
//              the drop command
//   rig-ptt-hung  the same with the daemon frozen: no drop can be seen, only the return
// Besides the PTT drop, "returned" is how long the stop took as a whole (the window thread's
// stop and release of the devices); a case that is still blocked after kGiveUpSeconds has its
// sound server or daemon let go on again, and the figure then says so.
// Then the share of a core the inhibit watcher takes while a message goes out, read from the
// watcher thread's own CPU clock.
//
//   ptt_drop_bench [--trials N] [--cpu-seconds S]
#include <time.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"
#include "ports/KeyingHardware.h"
#include "ports/KeyingObserver.h"
#include "ports/ParallelPortIo.h"
#include "ports/SerialLines.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/EngineDriver.h"
#include "support/FakeKeyingHardware.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/RigDaemon.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace {

using namespace tarnwick;
using test::EngineDriver;
using namespace std::chrono_literals;

constexpr int kGiveUpSeconds = 40;

enum class Case { Stop, Inhibit, SoundHung, RigKilled, RigHung, RigPtt, RigPttHung };

bool OnRig(Case c) {
    return c == Case::RigKilled || c == Case::RigHung || c == Case::RigPtt || c == Case::RigPttHung;
}

const char* NameOf(Case c) {
    switch (c) {
        case Case::Stop:
            return "stop";
        case Case::Inhibit:
            return "inhibit";
        case Case::SoundHung:
            return "sound-hung";
        case Case::RigKilled:
            return "rig-killed";
        case Case::RigHung:
            return "rig-hung";
        case Case::RigPtt:
            return "rig-ptt";
        case Case::RigPttHung:
            return "rig-ptt-hung";
    }
    return "";
}

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

// How many PTT drops the daemon has carried out, from its log.
size_t PttDrops(const test::RigDaemon& daemon) {
    size_t n = 0;
    for (const test::LoggedCommand& c : daemon.Received()) {
        n += c.command == "T" && !c.args.empty() && c.args[0] == "0";
    }
    return n;
}

struct Trial {
    double pttMs = 0;
    double returnedMs = 0;
    bool gaveUp = false;
};

// The sound server and WAV file of the sound-hung case, made once.
struct SoundRig {
    test::PulseTestServer server;
    std::string wave;
    bool ready = false;

    SoundRig() {
        std::string why;
        if (!test::PulseTestServer::Installed() || !server.Start(&why)) {
            std::fprintf(stderr, "sound-hung: no test sound server (%s)\n", why.c_str());
            return;
        }
        server.UseInThisProcess();
        setenv("TARNWICK_SOUND_DEFAULT", "pulse", 1);
        wave = server.Dir() + "/tone.wav";
        ready = test::ScratchDir::Write(
            wave, test::WaveFileBuilder::Pcm16(1, 11025,
                                               test::WaveFileBuilder::Tone(600, 20, 11025, 8000)));
    }
};

Trial OneTrial(Case c, std::mt19937& random, SoundRig& sound) {
    std::unique_ptr<test::RigDaemon> daemon;
    CTarnwickDoc doc;
    doc.CWRate = 20;
    doc.TXDelay = 0;
    doc.ComPort[0] = 1;
    doc.PortMatrix[0][0] = 1;
    doc.PortMatrix[0][1] = 2;
    if (c == Case::Inhibit) {
        doc.PortMatrix[0][2] = 4;
    }
    if (OnRig(c)) {
        daemon = std::make_unique<test::RigDaemon>();
        doc.UseTRX = 1;
        doc.TrxHost = "127.0.0.1";
        doc.TrxPort = daemon->Port();
        doc.PortMatrix[0][1] = 0;
        doc.PortMatrix[kTrxRow][kCwColumn] = 1;
        if (c == Case::RigPtt || c == Case::RigPttHung) {
            doc.PortMatrix[0][0] = 0;
            doc.PortMatrix[kTrxRow][0] = 1;
        }
    }
    NoticeQueue view;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    PttDropClock clock;
    TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
    engine.SetKeyingObserver(&clock);
    Event stop(ResetMode::Manual);
    engine.Send(c == Case::SoundHung ? "{" + sound.wave + "}[I]" : "{PARIS }[R:600]");
    std::promise<int64_t> returned;
    std::thread window([&] {
        EngineDriver driver(engine, view, RealTime());
        driver.RunUntilDone(&stop);
        returned.set_value(RealTime().NowNs());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 700));
    if (c == Case::SoundHung) {
        sound.server.Freeze();
    } else if (c == Case::RigKilled) {
        daemon->Kill();
    } else if (c == Case::RigHung || c == Case::RigPttHung) {
        daemon->Stop();
    }
    // Let whatever was under way run into the frozen or missing peer.
    std::this_thread::sleep_for(50ms);
    const size_t dropsBefore = c == Case::RigPtt ? PttDrops(*daemon) : 0;
    clock.droppedNs = 0;
    const int64_t t0 = RealTime().NowNs();
    if (c == Case::Inhibit) {
        hardware.SerialInputs("/dev/ttyS0").status = kModemCtsOn;
    } else {
        stop.Set();
    }
    Trial t;
    int64_t rigDownNs = 0;
    if (c == Case::RigPtt) {
        while (RealTime().NowNs() - t0 < int64_t{5'000} * kNsPerMs) {
            if (PttDrops(*daemon) > dropsBefore) {
                rigDownNs = RealTime().NowNs();
                break;
            }
        }
    }
    std::future<int64_t> done = returned.get_future();
    if (done.wait_for(std::chrono::seconds(kGiveUpSeconds)) != std::future_status::ready) {
        t.gaveUp = true;
    }
    if (c == Case::SoundHung) {
        sound.server.Thaw();
    } else if (c == Case::RigHung || c == Case::RigPttHung) {
        daemon->Continue();
    }
    const int64_t end = done.get();
    window.join();
    const int64_t dropped = c == Case::RigPtt ? rigDownNs : clock.droppedNs.load();
    t.pttMs = dropped > 0 ? (dropped - t0) / 1e6 : (end - t0) / 1e6;
    t.returnedMs = (end - t0) / 1e6;
    return t;
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
    int slowTrials = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--trials") == 0) {
            trials = std::max(1, std::atoi(argv[i + 1]));
            slowTrials = std::min(trials, slowTrials);
        } else if (std::strcmp(argv[i], "--cpu-seconds") == 0) {
            cpuSeconds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    std::mt19937 random(1);
    SoundRig sound;
    std::printf("%-12s %6s %12s %12s %12s %14s\n", "case", "trials", "ptt mean ms", "ptt p99 ms",
                "ptt max ms", "returned max ms");
    for (const Case c : {Case::Stop, Case::Inhibit, Case::SoundHung, Case::RigKilled, Case::RigHung,
                         Case::RigPtt, Case::RigPttHung}) {
        if (c == Case::SoundHung && !sound.ready) {
            continue;
        }
        const bool slow = c != Case::Stop && c != Case::Inhibit;
        std::vector<double> ptt;
        std::vector<double> back;
        bool gaveUp = false;
        for (int i = 0; i < (slow ? slowTrials : trials); ++i) {
            const Trial t = OneTrial(c, random, sound);
            ptt.push_back(t.pttMs);
            back.push_back(t.returnedMs);
            gaveUp = gaveUp || t.gaveUp;
        }
        const bench::Spread s = bench::SpreadOf(ptt);
        const bench::Spread r = bench::SpreadOf(back);
        if (c == Case::RigPttHung) {
            std::printf("%-12s %6zu %12s %12s %12s %14.3f%s\n", NameOf(c), ptt.size(), "-", "-",
                        "-", r.max, gaveUp ? " (peer let go after 40 s)" : "");
        } else {
            std::printf("%-12s %6zu %12.3f %12.3f %12.3f %14.3f%s\n", NameOf(c), ptt.size(), s.mean,
                        s.p99, s.max, r.max, gaveUp ? " (peer let go after 40 s)" : "");
        }
        std::fflush(stdout);
    }
    WatcherCpu(cpuSeconds);
    return 0;
}
