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

std::string FormatInt(int value);            // "%i"
std::string FormatUnsigned(unsigned value);  // "%u"
std::string FormatDouble(double value);      // "%lf": six decimals, C locale

}  // namespace tarnwick
