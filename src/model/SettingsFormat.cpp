#include "model/SettingsFormat.h"

#include <locale.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace tarnwick {
namespace {

// Switches this thread to the C locale for one conversion; other threads keep theirs.
class CLocaleScope {
public:
    CLocaleScope() {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
        if (cLocale != locale_t{}) {
            previous_ = uselocale(cLocale);
        }
    }
    ~CLocaleScope() {
        if (previous_ != locale_t{}) {
            uselocale(previous_);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_{};
};

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

struct ScannedInteger {
    uint64_t magnitude = 0;
    bool negative = false;
    bool overflow = false;
    size_t end = 0;
};

// The strtol/strtoul scanner, written out so that it is locale-free and bounded. base is 0
// (prefix decides), 10 or 16. A "0x" with no hexadecimal digit after it reads as the 0 alone.
std::optional<ScannedInteger> ScanInteger(std::string_view s, int base) {
    ScannedInteger out;
    size_t i = 0;
    while (i < s.size() && IsCSpace(s[i])) {
        ++i;
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        out.negative = s[i] == '-';
        ++i;
    }
    const bool hexPrefix = i + 2 < s.size() && s[i] == '0' &&
                           (s[i + 1] == 'x' || s[i + 1] == 'X') && DigitValue(s[i + 2]) < 16;
    if ((base == 0 || base == 16) && hexPrefix) {
        base = 16;
        i += 2;
    } else if (base == 0) {
        base = (i < s.size() && s[i] == '0') ? 8 : 10;
    }
    const size_t digitsStart = i;
    const uint64_t limit = std::numeric_limits<uint64_t>::max();
    for (; i < s.size() && DigitValue(s[i]) < base; ++i) {
        const auto digit = static_cast<uint64_t>(DigitValue(s[i]));
        if (out.magnitude > (limit - digit) / static_cast<uint64_t>(base)) {
            out.overflow = true;
        } else {
            out.magnitude = out.magnitude * static_cast<uint64_t>(base) + digit;
        }
    }
    if (i == digitsStart) {
        return std::nullopt;
    }
    out.end = i;
    return out;
}

// strtoul's result for a scanned number: negation wraps, overflow gives the maximum.
uint64_t AsUnsignedLong(const ScannedInteger& n) {
    if (n.overflow) {
        return std::numeric_limits<uint64_t>::max();
    }
    return n.negative ? 0 - n.magnitude : n.magnitude;
}

}  // namespace

std::optional<int> ParseInt(std::string_view text, size_t* consumed) {
    const auto n = ScanInteger(text, 0);
    if (!n) {
        return std::nullopt;
    }
    if (consumed != nullptr) {
        *consumed = n->end;
    }
    const auto maxMagnitude = static_cast<uint64_t>(std::numeric_limits<int>::max());
    if (n->negative) {
        if (n->overflow || n->magnitude > maxMagnitude + 1) {
            return std::numeric_limits<int>::min();
        }
        return static_cast<int>(-static_cast<int64_t>(n->magnitude));
    }
    if (n->overflow || n->magnitude > maxMagnitude) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(n->magnitude);
}

std::optional<unsigned> ParseUnsigned(std::string_view text) {
    const auto n = ScanInteger(text, 10);
    if (!n) {
        return std::nullopt;
    }
    return static_cast<unsigned>(AsUnsignedLong(*n) & 0xFFFFFFFFu);
}

std::optional<double> ParseDouble(std::string_view text) {
    const std::string copy(text);  // strtod needs the terminating NUL
    CLocaleScope cLocale;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int16_t> ParseHex16(std::string_view text) {
    const auto n = ScanInteger(text, 16);
    if (!n) {
        return std::nullopt;
    }
    return static_cast<int16_t>(static_cast<uint16_t>(AsUnsignedLong(*n) & 0xFFFFu));
}

std::string FormatInt(int value) {
    return std::to_string(value);
}

std::string FormatUnsigned(unsigned value) {
    return std::to_string(value);
}

std::string FormatDouble(double value) {
    CLocaleScope cLocale;
    const int needed = std::snprintf(nullptr, 0, "%lf", value);
    if (needed <= 0) {
        return std::string();
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::snprintf(out.data(), out.size(), "%lf", value);
    out.resize(static_cast<size_t>(needed));
    return out;
}

}  // namespace tarnwick
