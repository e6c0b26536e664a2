#include "send/MessageTag.h"

#include <climits>
#include <string>

namespace tarnwick {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void RemoveLeadingBlanks(std::string& s) {
    size_t n = 0;
    while (n < s.size() && IsBlank(s[n])) {
        ++n;
    }
    s.erase(0, n);
}

MessageTag ScanTag(std::string_view s) {
    MessageTag tag;
    if (s.size() < 2 || s[0] != '[') {
        return tag;
    }
    tag.letter = s[1];
    tag.conversions = 1;
    if (s.size() < 3 || s[2] != ':') {
        return tag;
    }
    size_t i = 3;
    while (i < s.size() && IsBlank(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i >= s.size() || s[i] < '0' || s[i] > '9') {
        return tag;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value <= INT_MAX) {
            value = value * 10 + (s[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    } else if (value < INT_MIN) {
        value = INT_MIN;
    }
    tag.number = static_cast<int>(value);
    tag.conversions = 2;
    return tag;
}

}  // namespace tarnwick
