#include "model/SettingsFormat.h"

#include <locale.h>
#include <clocale>
#include <cmath>
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

int HexValue(char c) {
    const int v = DigitValue(c);
    return v < 16 ? v : -1;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

void AppendEscaped(unsigned char c, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    if (c == '\\') {
        out += "\\\\";
    } else if (c == '\n') {
        out += "\\n";
    } else if (c == '\r') {
        out += "\\r";
    } else if (IsControl(c)) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    } else {
        out += static_cast<char>(c);
    }
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

std::optional<int64_t> ParseWholeInteger(std::string_view text, bool decimalOnly) {
    if (text.empty() || IsCSpace(text.front())) {
        return std::nullopt;
    }
    const auto n = ScanInteger(text, decimalOnly ? 10 : 0);
    const auto limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (!n || n->end != text.size() || n->overflow ||
        n->magnitude > limit + (n->negative ? 1 : 0)) {
        return std::nullopt;
    }
    if (n->negative) {
        return n->magnitude == limit + 1 ? std::numeric_limits<int64_t>::min()
                                         : -static_cast<int64_t>(n->magnitude);
    }
    return static_cast<int64_t>(n->magnitude);
}

std::optional<double> ParseWholeDouble(std::string_view text) {
    if (text.empty() || IsCSpace(text.front())) {
        return std::nullopt;
    }
    const std::string copy(text);
    CLocaleScope cLocale;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string EscapeText(std::string_view value, size_t maxBytes) {
    std::string out;
    out.reserve(value.size());
    std::string piece;
    for (size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        piece.clear();
        if (i == 0 && c == ' ') {
            piece = "\\x20";
        } else {
            AppendEscaped(c, piece);
        }
        if (out.size() + piece.size() > maxBytes) {
            // Cut before the character this byte belongs to, so the text stays valid UTF-8.
            if ((c & 0xC0) == 0x80) {
                while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) {
                    out.pop_back();
                }
                if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0) {
                    out.pop_back();
                }
            }
            break;
        }
        out += piece;
    }
    return out;
}

std::string UnescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\') {
            out += '\\';
            ++i;
        } else if (next == 'n') {
            out += '\n';
            ++i;
        } else if (next == 'r') {
            out += '\r';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
                   HexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
            i += 3;
        } else {
            out += '\\';
        }
    }
    return out;
}

std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
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
