#pragma once

#include <cstdint>
#include <functional>

namespace tarnwick {

class TimeBase;

// Decides when the settings file is written while the program runs, so that a crash or a
// power cut loses only the last moments of work instead of everything since start-up. A change
// is saved once the operator has left the settings alone for kQuietNs, and never later than
// kLongestDelayNs after the first change that is not yet on disk (so steady typing cannot keep
// postponing it). A dialog's OK and the window's close save at once.
//
// Every call comes from one thread (the window's); the owner arms a one-shot timer for
// NsUntilDue() after each call and calls Poll() when it fires.
class DebouncedSaver {
public:
    static constexpr int64_t kQuietNs = 500'000'000;
    static constexpr int64_t kLongestDelayNs = 2'000'000'000;
    // A failed write is tried again after this long; an OK or the close tries at once.
    static constexpr int64_t kRetryNs = 5'000'000'000;

    // `save` writes the file and reports whether it got there.
    DebouncedSaver(TimeBase& time, std::function<bool()> save);
    DebouncedSaver(const DebouncedSaver&) = delete;
    DebouncedSaver& operator=(const DebouncedSaver&) = delete;

    // A stored value changed.
    void Changed();
    // Saves at once, pending or not; returns the save's result.
    bool SaveNow();
    // Saves when due. False only when a save was due and failed.
    bool Poll();

    bool Pending() const { return pending_; }
    // Nanoseconds until Poll has work (0 when overdue); -1 when nothing is pending.
    int64_t NsUntilDue() const;
    // The result of the last save, so a window can say that the file could not be written.
    bool LastSaveFailed() const { return lastFailed_; }

private:
    int64_t DueNs() const;
    bool RunSave();

    TimeBase& time_;
    std::function<bool()> save_;
    bool pending_ = false;
    bool lastFailed_ = false;
    int64_t firstChangeNs_ = 0;
    int64_t lastChangeNs_ = 0;
    int64_t retryNs_ = 0;  // set after a failed save: no earlier attempt
};

}  // namespace tarnwick
