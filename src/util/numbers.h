// Number reading and writing with the rules the product's files and
// command line use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The C library's atoi/atof rules: leading blanks skipped, an optional
// sign, then digits (atof: a decimal number); anything else ends the
// number, and a text without one gives 0. Integers beyond 32 bits are held
// at the nearest limit.
int32_t AtoI(std::string_view text);
double AtoF(std::string_view text);

// Whole-text readers for settings values: the text (blanks around it
// allowed) must be a number and nothing else, or the result is empty.
// Integers: decimal with an optional sign, or hexadecimal as "$1F" or
// "0x1F"; 32-bit range. Reals: decimal with an optional fraction and
// exponent.
std::optional<int32_t> ParseInt(std::string_view text);
std::optional<double> ParseReal(std::string_view text);

// The shortest general decimal form of a real (15 significant digits):
// 0 -> "0", 0.95 -> "0.95", 1e-20 -> "1E-20".
std::string FormatReal(double value);

}  // namespace kestrel
