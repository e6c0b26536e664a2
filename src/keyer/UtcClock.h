#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr int64_t kNsPerSecond = 1'000'000'000;

// The wall clock the operator's schedule runs on: nanoseconds since the epoch, UTC. Kept apart
// from the monotonic TimeBase, which never follows the calendar.
class UtcClock {
public:
    virtual ~UtcClock() = default;

    virtual int64_t NowNs() const = 0;
    // Whole seconds since the epoch (rounded down, also before 1970).
    int64_t NowSeconds() const;
};

// CLOCK_REALTIME.
class SystemUtcClock final : public UtcClock {
public:
    int64_t NowNs() const override;
};

// Moves only when told to; lets a ten-minute schedule run in a test in milliseconds.
class VirtualUtcClock final : public UtcClock {
public:
    explicit VirtualUtcClock(int64_t startNs = 0) : now_(startNs) {}

    int64_t NowNs() const override { return now_.load(); }
    void SetNs(int64_t ns) { now_.store(ns); }
    void AdvanceNs(int64_t ns) { now_.fetch_add(ns); }

private:
    std::atomic<int64_t> now_;
};

// Seconds since the epoch of a UTC date and time; fields out of range carry over.
int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second);
// "2026 Dec 06\n07:38:45": the clock box's two lines, in UTC, with English month names
// whatever the locale.
std::string UtcClockText(int64_t seconds);
// "07:38:45", in UTC.
std::string UtcTimeOfDayText(int64_t seconds);
// Start of the UTC day that holds `seconds`.
int64_t UtcDayStart(int64_t seconds);
// Hours, minutes and seconds typed as "h:m:s": one to nine digits each, blanks around; nothing
// for any other text. Fields are not limited (24:30:00 is half past midnight of the next day).
std::optional<std::array<int64_t, 3>> ParseTimeOfDay(std::string_view text);

}  // namespace tarnwick
