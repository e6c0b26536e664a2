#include "keyer/UtcClock.h"

#include <time.h>

#include <cctype>
#include <chrono>
#include <cstdio>

namespace tarnwick {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr int64_t kSecondsPerDay = 86'400;

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int64_t UtcClock::NowSeconds() const {
    return FloorDiv(NowNs(), kNsPerSecond);
}

int64_t SystemUtcClock::NowNs() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(1)};
    const int64_t dayNumber = sys_days(date).time_since_epoch().count() + (day - 1);
    return dayNumber * kSecondsPerDay + int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
}

int64_t UtcDayStart(int64_t seconds) {
    return FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
}

std::string UtcTimeOfDayText(int64_t seconds) {
    const int64_t inDay = seconds - UtcDayStart(seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(inDay / 3600),
                  static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60));
    return text;
}

std::string UtcClockText(int64_t seconds) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::chrono::year_month_day date{sys_days(days(FloorDiv(seconds, kSecondsPerDay)))};
    char text[32];
    std::snprintf(text, sizeof text, "%d %s %02u\n", static_cast<int>(date.year()),
                  kMonths[static_cast<unsigned>(date.month()) - 1],
                  static_cast<unsigned>(date.day()));
    return text + UtcTimeOfDayText(seconds);
}

std::optional<std::array<int64_t, 3>> ParseTimeOfDay(std::string_view text) {
    std::array<int64_t, 3> fields{};
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
    };
    skipBlanks();
    for (size_t f = 0; f < fields.size(); ++f) {
        if (f > 0) {
            if (i >= text.size() || text[i] != ':') {
                return std::nullopt;
            }
            ++i;
        }
        size_t digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            if (++digits > 9) {
                return std::nullopt;
            }
            fields[f] = fields[f] * 10 + (text[i] - '0');
            ++i;
        }
        if (digits == 0) {
            return std::nullopt;
        }
    }
    skipBlanks();
    if (i != text.size()) {
        return std::nullopt;
    }
    return fields;
}

}  // namespace tarnwick
