#pragma once

#include <string_view>

namespace tarnwick {

// What the front of a string yields when read as "[%c:%d]" the way C's sscanf reads it: the
// count of conversions (0, 1 or 2), the letter and the number. The letter may be any byte, the
// number skips white space and takes an optional sign; a number beyond int saturates. Text after
// the number is not looked at.
struct MessageTag {
    int conversions = 0;
    char letter = 0;
    int number = 0;
};

MessageTag ScanTag(std::string_view s);

bool IsBlank(char c);
void RemoveLeadingBlanks(std::string& s);

}  // namespace tarnwick
