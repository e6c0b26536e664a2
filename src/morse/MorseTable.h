#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// 16-bit Morse codes for the characters blank (32) to 'Z' (90), read two bits at a time from
// the top: 01 dot, 10 dash, then 11 and zero bits. F000 is the word space; 0000 keys nothing.
inline constexpr char kFirstMorseChar = 32;
inline constexpr char kLastMorseChar = 90;
inline constexpr uint16_t kWordSpaceCode = 0xF000;

extern const std::array<uint16_t, kLastMorseChar - kFirstMorseChar + 1> MorseTable;

// A text run ready for keying: the kept characters and their codes, in order.
struct MorseRun {
    std::vector<char> chars;
    std::vector<uint16_t> codes;
};

// Folds to upper case (ASCII only) and keeps the characters from blank to 'Z'; everything else
// (control characters, "[\]^_`{|}~", bytes above 127) is dropped.
MorseRun ConvertToMorse(std::string_view text);

}  // namespace tarnwick
