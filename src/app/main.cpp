// tarnwick: the keyer's desktop program.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/CMainFrame.h"
#include "app/COperatingView.h"
#include "app/CTarnwickApp.h"
#include "app/QtPrompter.h"
#include "app/ShutdownSignals.h"
#include "app/SingleInstance.h"
#include "display/CSpectrumView.h"
#include "keyer/UtcClock.h"
#include "platform/TimeBase.h"
#include "ports/LinuxKeyingHardware.h"

namespace {

constexpr int kUsageStatus = 64;

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

bool WantsAutomation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--automation") == 0 || std::strcmp(argv[i], "--embedding") == 0) {
            return true;
        }
    }
    return false;
}

void PrintUsage(FILE* out) {
    std::fputs(
        "usage: tarnwick [--automation | --embedding]\n"
        "  Starts the keyer's window; a second start brings the running one to the front.\n"
        "  --automation, --embedding  serve automation clients on the session bus, no window\n"
        "  Settings: $TARNWICK_CONFIG, or $XDG_CONFIG_HOME/Tarnwick EME/Contest "
        "Software/Tarnwick.conf\n",
        out);
}

// Lines for start-up measurements and tests of a running copy (TARNWICK_TRACE=1).
void Trace(const char* what) {
    if (Set("TARNWICK_TRACE")) {
        std::fprintf(stderr, "tarnwick: %s\n", what);
        std::fflush(stderr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool automation = WantsAutomation(argc, argv);
    const bool haveDisplay = Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
    if (!haveDisplay) {
        if (!automation) {
            std::fputs(
                "tarnwick: no display (DISPLAY is not set); run it on a desktop, under "
                "'xvfb-run tarnwick', or use 'tarnwick-cli' in a terminal\n",
                stderr);
            return 1;
        }
        // An automation server shows nothing and needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const tarnwick::StartOptions options = tarnwick::ParseStartOptions(arguments);
    if (options.help) {
        PrintUsage(stdout);
        return 0;
    }
    if (!options.unknown.empty()) {
        std::fprintf(stderr, "tarnwick: unknown option '%s'\n", options.unknown.c_str());
        PrintUsage(stderr);
        return kUsageStatus;
    }

    tarnwick::QtPrompter prompter(haveDisplay);
    const QString key = QFileInfo(QApplication::applicationFilePath()).completeBaseName();
    tarnwick::LinuxKeyingHardware hardware;
    tarnwick::SystemUtcClock clock;
    tarnwick::CTarnwickApp app(
        prompter, tarnwick::RealTime(), key,
        [&hardware, &clock](tarnwick::CMainFrame& frame, tarnwick::CTarnwickDoc& doc,
                            tarnwick::Prompter& boxes) {
            auto* view = new tarnwick::COperatingView(
                {frame, doc, boxes, tarnwick::RealTime(), clock, hardware});
            frame.SetOperatingView(view, view);
            // Each tenth waterfall line, so that a script can wait for a filled display.
            if (tarnwick::CSpectrumView* display = view->SpectrumDisplay()) {
                QObject::connect(display, &tarnwick::CSpectrumView::LinesArrived, display,
                                 [display, traced = uint64_t{0}]() mutable {
                                     const uint64_t n = display->LinesShown();
                                     if (n / 10 > traced / 10) {
                                         traced = n;
                                         const std::string line =
                                             "waterfall lines " + std::to_string(n);
                                         Trace(line.c_str());
                                     }
                                 });
            }
        });
    tarnwick::ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &tarnwick::ShutdownSignals::Requested, &app,
                     &tarnwick::CTarnwickApp::Shutdown);
    QObject::connect(&app.Instance(), &tarnwick::SingleInstance::RaiseRequested,
                     [] { Trace("raised by another start"); });

    if (!app.InitInstance(options)) {
        return 0;
    }
    if (app.MainFrame() != nullptr) {
        // Once the first show has been handled and its first paint is done.
        QTimer::singleShot(0, [] { Trace("window shown"); });
    } else {
        Trace(app.ServesAutomation() ? "automation server on the session bus"
                                     : "automation server without a session bus");
    }
    return QApplication::exec();
}
