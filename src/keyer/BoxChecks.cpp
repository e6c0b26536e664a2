#include "keyer/BoxChecks.h"

#include <limits>

#include "model/SettingsFormat.h"
#include "model/SettingsSchema.h"

namespace tarnwick {
namespace {

// The sequence duration is the box's own, never stored.
constexpr int kMinSequenceSeconds = 15;
constexpr int kMaxSequenceSeconds = 600;
const SettingRange kSequenceRange{kMinSequenceSeconds, kMaxSequenceSeconds,
                                  "Tarnwick does not support less than 15 sec sequences",
                                  "Tarnwick does not support greater than 600 sec sequences"};

const SettingRange& RangeOf(std::string_view name) {
    return FindStationDef(name)->range;
}

int Min(const SettingRange& r) {
    return static_cast<int>(r.min);
}

int Max(const SettingRange& r) {
    return static_cast<int>(r.max);
}

// Out-of-range values take the nearest limit, with the message of that side.
BoxCheck Corrected(std::string_view text, const SettingRange& range) {
    const int value = BoxNumber(text);
    BoxCheck check{std::string(text), {}, {}, {}, false};
    if (value < Min(range)) {
        check.boxText = FormatInt(Min(range));
        check.message = range.below;
    } else if (value > Max(range)) {
        check.boxText = FormatInt(Max(range));
        check.message = range.above;
    }
    return check;
}

}  // namespace

int BoxNumber(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        const int digit = c - '0';
        if (value > (std::numeric_limits<int>::max() - digit) / 10) {
            return std::numeric_limits<int>::max();
        }
        value = value * 10 + digit;
    }
    return value;
}

BoxCheck CheckWpmBox(std::string_view text) {
    BoxCheck check = Corrected(text, RangeOf("CWRate"));
    check.stored = BoxNumber(check.boxText);
    return check;
}

BoxCheck CheckDurationBox(std::string_view text) {
    return Corrected(text, kSequenceRange);
}

BoxCheck CheckCentreBox(std::string_view text, int filterFreq) {
    const SettingRange& range = RangeOf("FilterFreq");
    const int value = BoxNumber(text);
    BoxCheck check{std::string(text), {}, value, {}, true};
    if (value < Min(range) || value > Max(range)) {
        check.boxText = FormatInt(filterFreq);
        check.message = range.below;
        check.stored = filterFreq;
    }
    return check;
}

// The limit above 2000 Hz is looked at before the -60 dB box is pushed: in the other order a
// width of 2500 would pass whenever the -60 dB width is lower.
BoxCheck CheckWidthBox(std::string_view text, int filterWidth, int filterBottomWidth) {
    const SettingRange& range = RangeOf("FilterWidth");
    int value = BoxNumber(text);
    BoxCheck check{std::string(text), {}, {}, {}, true};
    if (value < Min(range)) {
        value = Min(range);
        check.boxText = FormatInt(value);
        check.message = range.below;
    } else if (value > Max(range)) {
        value = filterWidth;
        check.boxText = FormatInt(value);
        check.message = range.above;
    } else if (value >= filterBottomWidth) {
        check.otherBoxText = FormatInt(value);
    }
    check.stored = value;
    return check;
}

BoxCheck CheckBottomWidthBox(std::string_view text, int filterWidth, int filterBottomWidth) {
    const SettingRange& range = RangeOf("FilterBottomWidth");
    int value = BoxNumber(text);
    BoxCheck check{std::string(text), {}, {}, {}, true};
    if (value > Max(range)) {
        value = filterBottomWidth;
        check.boxText = FormatInt(value);
        check.message = range.above;
    } else if (value <= filterWidth) {
        check.otherBoxText = FormatInt(value);
    }
    check.stored = value;
    return check;
}

DisplayClick CheckDisplayClick(int frequency) {
    const SettingRange& range = RangeOf("FilterFreq");
    if (frequency < Min(range) || frequency > Max(range)) {
        return {"You must click on a filter center frequency between " + FormatInt(Min(range) - 1) +
                    " and " + FormatInt(Max(range) + 1),
                {}};
    }
    return {{}, frequency};
}

}  // namespace tarnwick
