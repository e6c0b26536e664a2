#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Some radios cut a Morse command at 30 characters; the daemon adds a blank in front of each.
inline constexpr size_t kMaxMorsePiece = 24;

// What may go to the radio: upper case, only characters that have a Morse code, blanks. A
// semicolon has a code but ends a command on many radios' own control protocols, so it goes
// too; nothing left can start another command of the daemon or of the radio.
std::string SanitiseMorseText(std::string_view text);

// The sanitised text in pieces of at most kMaxMorsePiece characters, split at blanks; a word
// longer than a piece is cut. Pieces carry single blanks between their words, none at the ends.
std::vector<std::string> SplitMorseText(std::string_view text);

}  // namespace tarnwick
