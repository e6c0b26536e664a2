#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/StopSignal.h"
#include "cli/StoredDocument.h"
#include "cli/TraceKeyingDevice.h"
#include "model/SettingsSchema.h"
#include "morse/MorseTable.h"
#include "platform/NoticeSink.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortManager.h"
#include "send/MediaTimer.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kHelp =
    "usage: tarnwick-cli key [--wpm N] --trace [--] TEXT...\n"
    "\n"
    "Keys TEXT as Morse with the stored speed (or N words per minute, 1 to 50), weights and\n"
    "sending priority, onto a trace that prints one line per key-down and key-up:\n"
    "seconds since the start, with microseconds, then 'key down' or 'key up'.\n"
    "Text that starts with '-' goes after '--'.\n"
    "Ctrl-C, SIGTERM, SIGHUP, SIGQUIT and a reader of the trace that went away stop at once\n"
    "with the key up (exit status 130).\n"
    "Keying real ports with PTT is what 'tarnwick-cli send' does.\n";

// The key command has no window: notices have nowhere to go.
class DiscardingSink : public NoticeSink {
protected:
    void Deliver(Notice /*notice*/) override {}
};

}  // namespace

int RunKey(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    bool trace = false;
    std::string wpm;
    std::string text;
    bool haveText = false;
    const auto addText = [&](const std::string& word) {
        text += (haveText ? " " : "") + word;
        haveText = true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--trace") {
            trace = true;
        } else if (args[i] == "--wpm") {
            if (i + 1 >= args.size()) {
                std::fputs("tarnwick-cli key: --wpm needs a speed\n", stderr);
                return kExitUsage;
            }
            wpm = args[++i];
            if (const auto problem = CheckTypedText(*FindStationDef("CWRate"), wpm)) {
                std::fprintf(stderr, "tarnwick-cli key: --wpm '%s': %s\n", wpm.c_str(),
                             problem->c_str());
                return kExitUsage;
            }
        } else if (args[i] == "--") {
            while (++i < args.size()) {
                addText(args[i]);
            }
        } else if (IsOption(args[i])) {
            std::fprintf(stderr,
                         "tarnwick-cli key: unknown option '%s' (text that starts with '-' goes "
                         "after '--')\n",
                         args[i].c_str());
            return kExitUsage;
        } else {
            addText(args[i]);
        }
    }
    if (!trace || !haveText) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }

    StoredDocument stored;
    CTarnwickDoc& doc = stored.Doc();
    if (!wpm.empty()) {
        doc.CWRate = static_cast<unsigned>(std::stoul(wpm));
    }
    // This trace is the CW device itself, never the rig-control program.
    doc.UseTRX = 0;

    StopSignal stop;
    auto log = std::make_shared<TraceLog>(RealTime(), stdout);
    DiscardingSink sink;
    KeyingPortManager::Devices devices;
    devices.cw = std::make_unique<TraceKeyingDevice>(log);
    KeyingPortManager ports(doc, sink, RealTime(), std::move(devices));

    std::atomic<bool> done{false};
    std::string priority;
    const int priorityChoice = doc.CWPriority;
    const CwTiming timing = ComputeCwTiming(doc.CWRate, doc.DotWgt, doc.DashWgt, doc.LetterSp);
    std::thread keyer([&] {
        ThreadScheduling scheduling(PriorityFromSetting(priorityChoice));
        MediaTimer timer(RealTime());
        MorseRun run = ConvertToMorse(text);
        timer.SendCw(run, ports, timing, stop.Flag(), &stop.StopEvent());
        priority = scheduling.Report().Describe();
        done = true;
        stop.StopEvent().Set();
    });
    while (!done.load()) {
        RealTime().WaitFor(stop.StopEvent(), 50);
        log->Flush();
    }
    keyer.join();
    log->Flush();
    const bool stopped = stop.Stopped();
    stop.Close();
    if (const std::string notice = TakeSchedulingNotice(); !notice.empty()) {
        std::fprintf(stderr, "tarnwick-cli key: %s\n", notice.c_str());
    }
    std::fprintf(stderr, "tarnwick-cli key: %s at %u WPM (keying thread: %s)\n",
                 stopped ? "stopped, key up" : "done", doc.CWRate, priority.c_str());
    return stopped ? kExitStopped : kExitOk;
}

}  // namespace tarnwick::cli
