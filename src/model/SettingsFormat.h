#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The text forms of stored numbers. They follow C's scanf/printf conversions ("%i", "%u", "%lf",
// "%x") so that hand-edited files read as they always have, but they never depend on the
// user's locale: a locale with a decimal comma must not change what is written or read.
// A parse yields nullopt only when no number at all starts the text; the caller then keeps
// its field as it was. Characters after the number are ignored.

// "%i": leading white space, optional sign, "0x" hexadecimal, leading "0" octal, else decimal.
// Values outside the int range saturate at its limits. When given, *consumed receives the
// number of characters taken (white space included).
std::optional<int> ParseInt(std::string_view text, size_t* consumed = nullptr);

// "%u": decimal with optional sign. Like strtoul, a minus sign negates modulo 2^64 and an
// overflow gives the largest value; the result is then cut to 32 bits, as scanf stores it.
std::optional<unsigned> ParseUnsigned(std::string_view text);

// "%lf": strtod in the C locale (decimal point, exponents, hexadecimal, "inf", "nan").
std::optional<double> ParseDouble(std::string_view text);

// "%x" into a 16-bit port address: hexadecimal with optional "0x"; the low 16 bits are kept.
std::optional<int16_t> ParseHex16(std::string_view text);

// Typed values (a command line, a window's box) are stricter: the whole text must be the number,
// with no blanks around it. Integers in "%i" notation (decimal only when `decimalOnly`), any
// size that fits 64 bits; doubles finite.
std::optional<int64_t> ParseWholeInteger(std::string_view text, bool decimalOnly = false);
std::optional<double> ParseWholeDouble(std::string_view text);

// The one-line form of a stored text: "\\", "\n", "\r" and "\xHH" for other control bytes,
// and a leading blank as "\x20" (blanks after the '=' of a line are not part of its value).
// Everything else, trailing blanks included, is kept. A text longer than maxBytes once
// escaped is cut between UTF-8 characters.
std::string EscapeText(std::string_view value, size_t maxBytes = std::string_view::npos);
// The reverse; an unknown or incomplete escape is kept as written.
std::string UnescapeText(std::string_view text);

// ASCII letters in lower case: names and sections of the store match without regard to case.
std::string FoldCase(std::string_view text);

std::string FormatInt(int value);            // "%i"
std::string FormatUnsigned(unsigned value);  // "%u"
std::string FormatDouble(double value);      // "%lf": six decimals, C locale

}  // namespace tarnwick
