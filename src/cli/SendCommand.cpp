#include <atomic>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/ConsoleListener.h"
#include "cli/ExitCodes.h"
#include "cli/SessionLoop.h"
#include "cli/StopSignal.h"
#include "cli/StoredDocument.h"
#include "cli/TraceKeyingDevice.h"
#include "keyer/KeyerSession.h"
#include "keyer/UtcClock.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingObserver.h"
#include "ports/LinuxKeyingHardware.h"
#include "send/MacroExpander.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kHelp =
    "usage: tarnwick-cli send [--expand] [--call CALL] [--trace] [--] MESSAGE...\n"
    "\n"
    "Sends one message exactly as the keyer does, with the stored port assignment, speed,\n"
    "weights, TX delay, sound card and rig-control settings: PTT, Morse, repeats, pauses with\n"
    "PTT dropped, WAV inserts. Macros (%M, %T, ...) are sent as typed unless --expand is given\n"
    "(--call sets %T; without it the stored HisCall is used).\n"
    "The sent characters are printed as they go; --trace prints every PTT change, key edge\n"
    "and character instead, with seconds and microseconds since the start.\n"
    "A message that starts with '-' goes after '--'.\n"
    "Ctrl-C, SIGTERM, SIGHUP (the terminal closed), SIGQUIT and a reader of the output that\n"
    "went away (send ... | head) stop at once with PTT down.\n"
    "Exit status: 0 completed, 1 failed, 2 ended by transmit inhibit, 130 stopped, PTT down.\n"
    "A PTT drop that was not confirmed ends with status 1.\n";

// Traces the manager's PTT, key and character events as they happen; a line set to the state
// it already has is no event.
class TraceObserver : public KeyingObserver {
public:
    explicit TraceObserver(TraceLog& log) : log_(log) {}
    void OnPtt(bool up) override { Change(ptt_, up, up ? "ptt on" : "ptt off"); }
    void OnKey(bool down) override { Change(key_, down, down ? "key down" : "key up"); }
    void OnCharacter(char c) override { log_.Add("char", c); }

private:
    static void Change(std::atomic<bool>& line, bool on, const char* what, TraceLog& log) {
        if (line.exchange(on) != on) {
            log.Add(what);
        }
    }
    void Change(std::atomic<bool>& line, bool on, const char* what) {
        Change(line, on, what, log_);
    }

    TraceLog& log_;
    std::atomic<bool> ptt_{false};
    std::atomic<bool> key_{false};
};

// Prints the sent characters as they go (unless tracing) and notes how the message ended.
class SendListener : public ConsoleListener {
public:
    explicit SendListener(bool trace) : trace_(trace) {}

    void OnCharacterSent(char c) override {
        if (!trace_) {
            std::fputc(static_cast<unsigned char>(c), stdout);
            std::fflush(stdout);
            printedAny = true;
        }
    }
    void OnTransmissionEnded(EndReason reason) override { ended = reason; }

    bool printedAny = false;
    std::optional<EndReason> ended;

private:
    const bool trace_;
};

}  // namespace

int RunSend(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    bool expand = false;
    bool trace = false;
    std::string call;
    bool haveCall = false;
    std::string message;
    bool haveMessage = false;
    const auto addText = [&](const std::string& word) {
        message += (haveMessage ? " " : "") + word;
        haveMessage = true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--expand") {
            expand = true;
        } else if (args[i] == "--trace") {
            trace = true;
        } else if (args[i] == "--call") {
            if (i + 1 >= args.size()) {
                std::fputs("tarnwick-cli send: --call needs a call sign\n", stderr);
                return kExitUsage;
            }
            call = args[++i];
            haveCall = true;
        } else if (args[i] == "--") {
            while (++i < args.size()) {
                addText(args[i]);
            }
        } else if (IsOption(args[i])) {
            // Keying a mistyped option as Morse would put it on the air.
            std::fprintf(stderr,
                         "tarnwick-cli send: unknown option '%s' (a message that starts with '-' "
                         "goes after '--')\n",
                         args[i].c_str());
            return kExitUsage;
        } else {
            addText(args[i]);
        }
    }
    if (!haveMessage) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }

    StoredDocument stored;
    CTarnwickDoc& doc = stored.Doc();
    if (expand) {
        const StationData station{doc.MyCall, doc.Report, doc.MyGrid};
        message = ExpandMacros(message, station, haveCall ? call : doc.HisCall);
    }

    StopSignal stop;
    LinuxKeyingHardware hardware;
    SystemUtcClock utc;
    SessionLoop loop(RealTime(), utc);
    SendListener listener(trace);
    TraceLog log(RealTime(), stdout);
    TraceObserver observer(log);
    KeyerSession session({doc, loop.Notices(), listener, RealTime(), utc, hardware, false});
    // Connecting to the rig-control daemon can take up to a second; a stop that comes meanwhile
    // ends the send here, before PTT was ever raised. A connection that failed is told (and the
    // link turned off) before the message goes out on the other devices.
    if (!session.WaitForRigLink(&stop.StopEvent()) || stop.Stopped()) {
        std::fputs("tarnwick-cli send: stopped, PTT down\n", stderr);
        return kExitStopped;
    }
    loop.Drain(session);
    if (trace) {
        session.SetKeyingObserver(&observer);
    }
    // Said once, as soon as the keying thread knows it runs without real-time priority.
    const auto tellScheduling = [&listener] {
        if (const std::string notice = TakeSchedulingNotice(); !notice.empty()) {
            if (listener.printedAny) {
                std::fputc('\n', stdout);  // not in the middle of the sent text
                std::fflush(stdout);
            }
            std::fprintf(stderr, "tarnwick-cli send: %s\n", notice.c_str());
        }
    };
    session.SetBufferText(1, message);
    session.PressFunctionKey(1);
    const bool finished =
        listener.ended.has_value() || loop.Run(session, stop.StopEvent(), false, [&] {
            tellScheduling();
            log.Flush();
            return listener.ended.has_value();
        });
    if (!finished) {
        session.StopTransmission();
    }
    log.Flush();
    if (listener.printedAny) {
        std::fputc('\n', stdout);
    }
    tellScheduling();
    stop.Close();
    // A drop the rig-control daemon has not answered yet may still be confirmed: a command line
    // can wait for it (up to the link's own time-outs), a window would not.
    if (!session.WaitPttDown(kPttSettleMs)) {
        std::fputs("tarnwick-cli send: PTT may still be up: its drop was not confirmed\n", stderr);
        return kExitFailed;
    }
    switch (listener.ended.value_or(EndReason::Stopped)) {
        case EndReason::Completed:
            return kExitOk;
        case EndReason::Failed:
        case EndReason::Refused:
            std::fputs("tarnwick-cli send: the message failed\n", stderr);
            return kExitFailed;
        case EndReason::Inhibited:
            std::fputs("tarnwick-cli send: stopped by transmit inhibit, PTT down\n", stderr);
            return kExitInhibited;
        case EndReason::Stopped:
            std::fputs("tarnwick-cli send: stopped, PTT down\n", stderr);
            return kExitStopped;
    }
    return kExitFailed;
}

}  // namespace tarnwick::cli
