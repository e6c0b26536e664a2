#include "send/MediaTimer.h"

#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortManager.h"

namespace tarnwick {

namespace {

constexpr uint16_t kCodeEndOnly = 0xC000;

bool Stopped(const std::atomic<int>& stop) {
    return stop.load(std::memory_order_relaxed) != 0;
}

}  // namespace

bool TrxCwSelected(const CTarnwickDoc& doc) {
    return doc.UseTRX != 0 && doc.PortMatrix[kTrxRow][kCwColumn] == 1;
}

MediaTimer::MediaTimer(const CTarnwickDoc& doc, TimeBase& time) : doc_(doc), time_(time) {}

void MediaTimer::StartInterval(uint32_t lengthMs) {
    const int64_t lengthNs = static_cast<int64_t>(lengthMs) * kNsPerMs;
    const int64_t now = time_.NowNs();
    int64_t deadline = deadlineNs_ + lengthNs;
    if (deadline - now < lengthNs / 2) {
        deadline = now + lengthNs;
    }
    deadlineNs_ = deadline;
    event_.Reset();
    event_.ArmAt(deadline, TimerAction::Set);
    pendingMs_ = lengthMs;
}

void MediaTimer::WaitPending(Event* stopEvent) {
    if (pendingMs_ == 0) {
        return;
    }
    if (stopEvent == nullptr) {
        Event* events[] = {&event_};
        time_.WaitAny(events, deadlineNs_);
    } else {
        Event* events[] = {&event_, stopEvent};
        time_.WaitAny(events, deadlineNs_);
    }
}

bool MediaTimer::KeyUpThenStart(uint32_t gapMs, KeyingPortManager& ports,
                                const std::atomic<int>& stop, Event* stopEvent) {
    if (Stopped(stop)) {
        ports.KeyUp();
        return false;
    }
    WaitPending(stopEvent);
    ports.KeyUp();
    if (Stopped(stop)) {
        return false;
    }
    StartInterval(gapMs);
    return true;
}

void MediaTimer::SendCw(MorseRun& run, KeyingPortManager& ports, const std::atomic<int>& stop,
                        Event* stopEvent) {
    const CwTiming timing = ComputeCwTiming(doc_.CWRate, doc_.DotWgt, doc_.DashWgt, doc_.LetterSp);
    resolutionMs_ = timing.resolutionMs;
    MorseRun taken = std::move(run);
    run = MorseRun{};

    if (TrxCwSelected(doc_)) {
        for (const char c : taken.chars) {
            ports.Notify(kEventCharacter, static_cast<unsigned char>(c));
        }
        return;
    }

    if (!taken.chars.empty()) {
        AwaitRealtimeGrant(stop);
    }
    pendingMs_ = 0;
    deadlineNs_ = time_.NowNs();
    for (size_t i = 0; i < taken.chars.size(); ++i) {
        ports.Notify(kEventCharacter, static_cast<unsigned char>(taken.chars[i]));
        if (i > 0) {
            const uint32_t gap = taken.chars[i] == ' ' ? timing.blankGapMs : timing.letterGapMs;
            if (!KeyUpThenStart(gap, ports, stop, stopEvent)) {
                return;
            }
        }
        for (uint16_t code = taken.codes[i]; code != 0;) {
            const unsigned pair = code >> 14;
            if (pair == 1 || pair == 2) {
                if (Stopped(stop)) {
                    // The key is up here already; saying so again keeps every way out of a
                    // run ending with an explicit key-up.
                    ports.KeyUp();
                    return;
                }
                WaitPending(stopEvent);
                if (Stopped(stop)) {
                    ports.KeyUp();
                    return;
                }
                StartInterval(pair == 1 ? timing.dotMs : timing.dashMs);
                ports.KeyDown();
            }
            code = static_cast<uint16_t>(code << 2);
            if (code != 0 && code != kCodeEndOnly) {
                if (!KeyUpThenStart(timing.elementGapMs, ports, stop, stopEvent)) {
                    return;
                }
            }
        }
    }
    if (Stopped(stop)) {
        ports.KeyUp();
        return;
    }
    WaitPending(stopEvent);
    ports.KeyUp();
}

}  // namespace tarnwick
