#pragma once

#include <atomic>
#include <cstdint>

#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "platform/Event.h"

namespace tarnwick {

class CTarnwickDoc;
class KeyingPortManager;
class TimeBase;

// True when CW goes to the rig-control program as text instead of being keyed here.
// Read on the thread that owns the document.
bool TrxCwSelected(const CTarnwickDoc& doc);

// The keying loop. Every interval is timed against an absolute deadline on the monotonic
// clock, so a late wake-up shortens the interval it ends instead of pushing every later edge
// back; only when a wake-up is so late that the interval would lose more than half its length
// does the schedule move on from the late edge (a stalled machine must not produce clipped,
// unreadable elements to catch up). It reads no settings: the caller hands in the run's timing,
// taken from its own snapshot of them.
class MediaTimer {
public:
    explicit MediaTimer(TimeBase& time);

    // Keys the whole run (consuming it) through `ports` with `timing`; returns early, key up,
    // when `stop` becomes non-zero. The flag is looked at before and after every interval; when
    // `stopEvent` is given and signalled with the flag, the interval under way is cut short, so
    // the key is up at once instead of at the end of the element.
    void SendCw(MorseRun& run, KeyingPortManager& ports, const CwTiming& timing,
                const std::atomic<int>& stop, Event* stopEvent = nullptr);
    // For a run the rig-control program keys: every character is announced at once, in order,
    // and nothing is keyed (consuming the run).
    void Announce(MorseRun& run, KeyingPortManager& ports);

    uint32_t ResolutionMs() const { return resolutionMs_; }

private:
    void StartInterval(uint32_t lengthMs);
    void WaitPending(Event* stopEvent);
    // Ends the interval under way with the key up and starts a gap; false when stopped.
    bool KeyUpThenStart(uint32_t gapMs, KeyingPortManager& ports, const std::atomic<int>& stop,
                        Event* stopEvent);

    TimeBase& time_;
    Event event_{ResetMode::Manual};
    uint32_t resolutionMs_ = 0;
    int64_t deadlineNs_ = 0;
    uint32_t pendingMs_ = 0;
};

}  // namespace tarnwick
