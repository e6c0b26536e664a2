// Runs the real receive side on a private sound server, fed with a band of signals, under the
// spectrum display, and prints "shown <window id>" once the given number of lines (by default
// as many as the waterfall has rows) has arrived, for scripts/screenshot-waterfall.sh. The signals:
// a steady carrier at 800 Hz, a slowly keyed "CQ" at 1500 Hz (where the filter is set), a weak
// carrier drifting up from 2000 Hz, and noise.
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "audio/ReceiveProcessor.h"
#include "display/CSpectrumView.h"
#include "model/CTarnwickDoc.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "support/ChildProcess.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace {

constexpr double kRate = 11025.0;
constexpr double kSeconds = 90.0;

// 1 while the key is down at time t: "CQ" repeated, one unit 0.3 s.
double Keying(double t) {
    static const std::string kPattern = "-.-. --.-";
    std::vector<std::pair<double, double>> marks;  // start, end in units
    double at = 0;
    for (const char c : kPattern) {
        if (c == ' ') {
            at += 2;  // with the element gap: 3 units between letters
            continue;
        }
        const double length = c == '-' ? 3 : 1;
        marks.emplace_back(at, at + length);
        at += length + 1;
    }
    const double period = at + 6;  // 7 units between words
    const double u = std::fmod(t / 0.3, period);
    for (const auto& [start, end] : marks) {
        // 10 ms edges, so the key clicks stay narrow.
        const double ramp = 0.01 / 0.3;
        if (u >= start && u < end) {
            return std::min({1.0, (u - start) / ramp, (end - u) / ramp});
        }
    }
    return 0.0;
}

std::vector<int16_t> Band() {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::vector<int16_t> x(static_cast<std::size_t>(kSeconds * kRate));
    double drift = 0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double t = static_cast<double>(n) / kRate;
        drift += 2.0 * std::numbers::pi * (2000.0 + 2.0 * t) / kRate;
        const double v = 2000.0 * std::sin(2.0 * std::numbers::pi * 800.0 * t) +
                         4000.0 * Keying(t) * std::sin(2.0 * std::numbers::pi * 1500.0 * t) +
                         700.0 * std::sin(drift) + noise(random);
        x[n] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    return x;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarnwick;
    if (!test::PulseTestServer::Installed() || !test::OnPath("pacat")) {
        std::fprintf(stderr,
                     "pulseaudio and pacat (Debian: pulseaudio pulseaudio-utils) are "
                     "needed\n");
        return 1;
    }
    test::PulseTestServer server({{"keyer"}, {"band"}}, 0);
    std::string why;
    if (!server.Start(&why)) {
        std::fprintf(stderr, "sound server: %s\n", why.c_str());
        return 1;
    }
    const std::string band = server.Dir() + "/band.raw";
    test::ScratchDir::Write(band, test::WaveFileBuilder::Samples16(Band()));
    test::ChildProcess player;
    if (!player.Start({"pacat", "--raw", "--format=s16le", "--rate=11025", "--channels=1",
                       "--device=band", "--latency-msec=1000", band},
                      server.ClientEnvironment(), "", "", &why)) {
        std::fprintf(stderr, "pacat: %s\n", why.c_str());
        return 1;
    }
    server.UseInThisProcess();
    test::ScopedEnvironment environment;
    environment.Set(SoundDevices::kDefaultOverride, "pulse");
    environment.Set("PULSE_SOURCE", "band.monitor");
    environment.Set("PULSE_SINK", "keyer");

    QApplication app(argc, argv);
    CTarnwickDoc doc;
    doc.OnNewDocument();
    doc.FilterFreq = 1500;
    doc.FilterWidth = 100;
    doc.FilterBottomWidth = 300;
    doc.FirFilter = 0;
    test::RecordingPrompter prompter;
    ReceiveProcessor rx(doc, prompter, RealTime());
    CSpectrumView view(doc, rx.Spectrum(), RealTime());
    view.resize(640, 200);
    view.move(0, 0);
    view.show();
    const uint64_t lines = argc > 1 ? std::strtoull(argv[1], nullptr, 10)
                                    : static_cast<uint64_t>(view.height() - view.ScaleHeight());
    rx.Start();
    QObject::connect(&view, &CSpectrumView::LinesArrived, [&] {
        if (view.LinesShown() == lines) {
            // A moment for the last repaint to reach the screen.
            QTimer::singleShot(200, [&view] {
                std::printf("shown %llu\n", static_cast<unsigned long long>(view.winId()));
                std::fflush(stdout);
            });
        }
    });
    const int status = app.exec();
    view.StopDrawing();
    rx.Stop();
    return status;
}
