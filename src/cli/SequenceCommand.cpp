#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/ConsoleListener.h"
#include "cli/ExitCodes.h"
#include "cli/SessionLoop.h"
#include "cli/StopSignal.h"
#include "cli/StoredDocument.h"
#include "keyer/BoxChecks.h"
#include "keyer/KeyerSession.h"
#include "keyer/UtcClock.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/LinuxKeyingHardware.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kHelp =
    "usage: tarnwick-cli sequence --duration SECONDS [--tx-first] [--start HH:MM:SS] [--]\n"
    "                             MESSAGE...\n"
    "\n"
    "Runs the EME period's sequences on the UTC clock and sends MESSAGE at the start of every\n"
    "transmit sequence, with the stored ports and settings, until it is stopped. Sequences\n"
    "last SECONDS (15 to 600) and alternate transmit and receive: --tx-first transmits in the\n"
    "first sequence of each pair, without it in the second. They start at the next whole\n"
    "minute, or at --start (UTC, today; hours above 23 are tomorrow). A start time already\n"
    "past keeps its schedule: the sequences run on from it as if started then.\n"
    "Each boundary is printed ('12:00:00 transmit: ' with the characters as they are sent,\n"
    "'12:01:00 receive'). A message still being sent at a boundary is never cut.\n"
    "Ctrl-C, SIGTERM, SIGHUP, SIGQUIT and a reader of the output that went away stop at once\n"
    "with PTT down (exit status 130). A message that fails ends the run with status 1, a\n"
    "transmit inhibit with status 2; a PTT drop that was not confirmed gives status 1.\n";

// Prints the boundaries and the characters of each transmission, and notes an end that
// switched Auto off (a failed or inhibited message).
class SequenceListener : public ConsoleListener {
public:
    void OnSequenceBoundary(const SequenceBoundary& b) override {
        EndLine();
        const std::string at = UtcTimeOfDayText(b.startSeconds);
        if (!b.transmitSequence) {
            std::printf("%s receive\n", at.c_str());
        } else if (!b.handedOver) {
            std::printf("%s transmit: the last message is still being sent\n", at.c_str());
        } else {
            std::printf("%s transmit: ", at.c_str());
            lineOpen_ = true;
        }
        std::fflush(stdout);
    }
    void OnCharacterSent(char c) override {
        if (lineOpen_) {
            std::fputc(static_cast<unsigned char>(c), stdout);
            std::fflush(stdout);
        }
    }
    void OnTransmissionEnded(EndReason reason) override {
        EndLine();
        if (reason == EndReason::Failed || reason == EndReason::Inhibited) {
            autoEnded = reason;
        }
    }
    void EndLine() {
        if (lineOpen_) {
            std::fputc('\n', stdout);
            std::fflush(stdout);
            lineOpen_ = false;
        }
    }
    // Said once, as soon as a keying thread knows it runs without real-time priority; the
    // sent text goes on on a line of its own.
    void TellScheduling() {
        if (const std::string notice = TakeSchedulingNotice(); !notice.empty()) {
            if (lineOpen_) {
                std::fputc('\n', stdout);
                std::fflush(stdout);
            }
            std::fprintf(stderr, "tarnwick-cli sequence: %s\n", notice.c_str());
        }
    }

    std::optional<EndReason> autoEnded;

private:
    bool lineOpen_ = false;
};

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The start time to type into the sequencer: `typed` today, or when that has passed, the next
// start of a transmit/receive pair of its schedule. Hours above 23 reach into the next days.
std::string ScheduledStart(const std::array<int64_t, 3>& typed, int duration, int64_t now) {
    const int64_t day = UtcDayStart(now);
    int64_t start = day + typed[0] * 3600 + typed[1] * 60 + typed[2];
    if (start < now) {
        const int64_t pair = 2 * int64_t{duration};
        start += (now - start + pair - 1) / pair * pair;
    }
    const int64_t ofDay = start - day;
    char text[40];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(ofDay / 3600),
                  static_cast<long long>(ofDay / 60 % 60), static_cast<long long>(ofDay % 60));
    return text;
}

}  // namespace

int RunSequence(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    std::string duration;
    std::string start;
    bool txFirst = false;
    std::string message;
    bool haveMessage = false;
    const auto addText = [&](const std::string& word) {
        message += (haveMessage ? " " : "") + word;
        haveMessage = true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--tx-first") {
            txFirst = true;
        } else if (args[i] == "--duration" || args[i] == "--start") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "tarnwick-cli sequence: %s needs a value\n", args[i].c_str());
                return kExitUsage;
            }
            (args[i] == "--duration" ? duration : start) = args[i + 1];
            ++i;
        } else if (args[i] == "--") {
            while (++i < args.size()) {
                addText(args[i]);
            }
        } else if (IsOption(args[i])) {
            std::fprintf(stderr,
                         "tarnwick-cli sequence: unknown option '%s' (a message that starts with "
                         "'-' goes after '--')\n",
                         args[i].c_str());
            return kExitUsage;
        } else {
            addText(args[i]);
        }
    }
    if (!haveMessage || duration.empty()) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    const BoxCheck durationCheck = CheckDurationBox(duration);
    if (!AllDigits(duration) || durationCheck.message) {
        std::fprintf(stderr, "tarnwick-cli sequence: %s\n",
                     durationCheck.message ? durationCheck.message->c_str()
                                           : "--duration needs a number of seconds");
        return kExitUsage;
    }
    const std::optional<std::array<int64_t, 3>> typedStart =
        start.empty() ? std::nullopt : ParseTimeOfDay(start);
    if (!start.empty() && !typedStart) {
        std::fprintf(stderr, "tarnwick-cli sequence: --start needs a time as HH:MM:SS, not '%s'\n",
                     start.c_str());
        return kExitUsage;
    }
    const int seconds = BoxNumber(duration);

    StoredDocument stored;
    CTarnwickDoc& doc = stored.Doc();
    doc.Contest = 1;  // the EME period, whatever the window was left in

    StopSignal stop;
    LinuxKeyingHardware hardware;
    SystemUtcClock utc;
    SessionLoop loop(RealTime(), utc);
    SequenceListener listener;
    KeyerSession session({doc, loop.Notices(), listener, RealTime(), utc, hardware, false});
    // As with send: a stop during the rig connect ends the run before anything is keyed.
    if (!session.WaitForRigLink(&stop.StopEvent()) || stop.Stopped()) {
        std::fputs("tarnwick-cli sequence: stopped, PTT down\n", stderr);
        return kExitStopped;
    }
    loop.Drain(session);
    session.Start();
    session.SetBufferText(1, message);
    session.SelectNextBuffer(1);
    session.SetDurationText(std::to_string(seconds));
    session.ChangeSetting("TXFirst", txFirst ? "1" : "0");
    if (typedStart) {
        session.StartTimeEdited(ScheduledStart(*typedStart, seconds, utc.NowSeconds()));
    }
    std::printf("sequences of %d s from %s UTC, transmitting %s\n", seconds,
                session.State().startTimeText.c_str(), txFirst ? "first" : "second");
    std::fflush(stdout);
    session.ToggleAuto();

    const bool ended = loop.Run(session, stop.StopEvent(), true, [&] {
        listener.TellScheduling();
        return listener.autoEnded.has_value();
    });
    if (!ended) {
        session.StopTransmission();
    }
    listener.EndLine();
    listener.TellScheduling();
    stop.Close();
    if (!session.WaitPttDown(kPttSettleMs)) {
        std::fputs("tarnwick-cli sequence: PTT may still be up: its drop was not confirmed\n",
                   stderr);
        return kExitFailed;
    }
    if (!ended) {
        std::fputs("tarnwick-cli sequence: stopped, PTT down\n", stderr);
        return kExitStopped;
    }
    if (listener.autoEnded == EndReason::Inhibited) {
        std::fputs("tarnwick-cli sequence: stopped by transmit inhibit, PTT down\n", stderr);
        return kExitInhibited;
    }
    std::fputs("tarnwick-cli sequence: the message failed\n", stderr);
    return kExitFailed;
}

}  // namespace tarnwick::cli
