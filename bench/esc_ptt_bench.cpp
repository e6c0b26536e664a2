// From an ESC key press to the PTT line going down, with the real operating window (on Qt's
// offscreen platform) and the real engine keying fake hardware (PTT on COM1's RTS, CW on DTR).
// An operator thread posts each key press to the window as the window system would, so the
// figure includes the window thread's event loop: F1 starts buffer 1, and once PTT is up, after
// a random wait, ESC stops it. The cases:
//   keying    the message is being keyed at 20 WPM
//   tx-delay  PTT is up and the 10 s TX delay is passing on the transmit worker
// each on an idle machine and with the other core kept busy. Meanwhile a 5 ms timer on the
// window's thread measures the longest time that thread did not get round to its events, and
// how much of it the thread spent working rather than waiting for a core.
//
//   esc_ptt_bench [--stops N]
#include <stdlib.h>
#include <time.h>

#include <QApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "app/CMainFrame.h"
#include "app/COperatingView.h"
#include "app/NoticeEventTypes.h"
#include "app/OperatingForm.h"
#include "app/QtPrompter.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"
#include "platform/TimeBase.h"
#include "ports/SerialLines.h"
#include "support/FakeKeyingHardware.h"
#include "support/ScratchDir.h"

namespace {

using namespace tarnwick;
using namespace std::chrono_literals;

// Fake hardware whose serial lines note when RTS (PTT) goes up and down.
class TimedHardware : public KeyingHardware {
public:
    class Lines : public SerialLines {
    public:
        Lines(std::shared_ptr<SerialLines> inner, TimedHardware& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        bool SetRts() override {
            const bool ok = inner_->SetRts();
            owner_.upNs = RealTime().NowNs();
            return ok;
        }
        bool ClearRts() override {
            const bool ok = inner_->ClearRts();
            if (owner_.upNs.load() != 0 && owner_.downNs.load() == 0) {
                owner_.downNs = RealTime().NowNs();
            }
            return ok;
        }
        bool SetDtr() override { return inner_->SetDtr(); }
        bool ClearDtr() override { return inner_->ClearDtr(); }
        std::optional<uint32_t> ModemStatus() override { return inner_->ModemStatus(); }

    private:
        std::shared_ptr<SerialLines> inner_;
        TimedHardware& owner_;
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
    std::atomic<int64_t> upNs{0};
    std::atomic<int64_t> downNs{0};
};

struct CaseResult {
    std::vector<double> stopMs;
    int missed = 0;
    double longestStallMs = 0;
    // How much of that stall the window's thread spent working (the rest it waited for a core).
    double longestStallCpuMs = 0;
};

int64_t ThreadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void PostKey(QWindow* window, int key) {
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

bool WaitFor(const std::atomic<int64_t>& value, std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (value.load() == 0) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(200us);
    }
    return true;
}

CaseResult RunCase(const char* txDelay, int stops, std::mt19937& random) {
    test::ScratchDir dir;
    SettingsStore store(dir.File("Tarnwick.conf"));
    test::ScratchDir::Write(store.Path(),
                            std::string("[Settings]\nComPort1=1\nPortMatrix[0][0]=1\n"
                                        "PortMatrix[0][1]=2\nCWRate=20\nContest=0\nTXDelay=") +
                                txDelay + "\n");
    CTarnwickDoc doc(&store);
    doc.OnNewDocument();
    QtPrompter prompter;
    TimedHardware hardware;
    SystemUtcClock clock;
    auto frame = std::make_unique<CMainFrame>(doc, store, prompter, RealTime());
    auto* view = new COperatingView({*frame, doc, prompter, RealTime(), clock, hardware, false});
    frame->SetOperatingView(view, view);
    frame->show();
    frame->activateWindow();
    QLineEdit* buffer = view->Form().buffers[0];
    buffer->setText(QStringLiteral("{PARIS }[R:600]"));
    buffer->setFocus();

    CaseResult result;
    // Only while a message is started, keyed and stopped: not the window's first show.
    std::atomic<bool> measuring{false};
    int64_t lastTickNs = RealTime().NowNs();
    int64_t lastCpuNs = ThreadCpuNs();
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int64_t now = RealTime().NowNs();
        const int64_t cpu = ThreadCpuNs();
        const double stallMs = (now - lastTickNs) / 1e6;
        if (measuring.load() && stallMs > result.longestStallMs) {
            result.longestStallMs = stallMs;
            result.longestStallCpuMs = (cpu - lastCpuNs) / 1e6;
        }
        lastTickNs = now;
        lastCpuNs = cpu;
    });
    watch.start(5);

    QWindow* window = frame->windowHandle();
    std::thread operatorThread([&] {
        // The window's first show and paint are done before the first stop.
        std::this_thread::sleep_for(500ms);
        for (int i = 0; i < stops; ++i) {
            hardware.upNs = 0;
            hardware.downNs = 0;
            measuring = true;
            PostKey(window, Qt::Key_F1);
            if (!WaitFor(hardware.upNs, 5s)) {
                ++result.missed;
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 350));
            const int64_t pressed = RealTime().NowNs();
            PostKey(window, Qt::Key_Escape);
            if (!WaitFor(hardware.downNs, 5s)) {
                ++result.missed;
                continue;
            }
            result.stopMs.push_back((hardware.downNs.load() - pressed) / 1e6);
            std::this_thread::sleep_for(20ms);
            measuring = false;
            std::this_thread::sleep_for(10ms);
        }
        QMetaObject::invokeMethod(qApp, "quit", Qt::QueuedConnection);
    });
    QApplication::exec();
    operatorThread.join();
    watch.stop();
    frame.reset();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    int stops = 100;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--stops") == 0) {
            stops = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    test::ScratchDir runtime("tarnwick-bench-runtime");
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!RegisterNoticeEventTypes()) {
        std::fprintf(stderr, "the notice events could not be reserved\n");
        return 1;
    }
    // Made here, on the window's thread, before another thread makes key events that use it.
    QInputDevice::primaryKeyboard();
    std::mt19937 random(12345);
    std::printf("ESC key press to PTT line down, %d stops per case (ms)\n", stops);
    std::printf("%-10s %-6s %8s %8s %8s %7s %14s\n", "case", "load", "mean", "p99", "max", "missed",
                "ui stall (cpu)");
    for (const bool busy : {false, true}) {
        bench::Spinner spinner(busy);
        for (const auto& [name, delay] : {std::pair{"keying", "0"}, std::pair{"tx-delay", "10"}}) {
            const CaseResult r = RunCase(delay, stops, random);
            const bench::Spread s = bench::SpreadOf(r.stopMs);
            std::printf("%-10s %-6s %8.2f %8.2f %8.2f %7d %7.1f (%4.1f)\n", name,
                        busy ? "busy" : "idle", s.mean, s.p99, s.max, r.missed, r.longestStallMs,
                        r.longestStallCpuMs);
            std::fflush(stdout);
        }
    }
    return 0;
}
