#pragma once

#include <optional>

#include "dialogue/console.hpp"

namespace tremovia {

// Reads one number the way the dialogue accepts it. White space is skipped;
// then the longest run of characters that is, or begins, a number is taken:
// an optional sign, then a decimal number (digits with at most one ".", an
// optional exponent "e" [sign] digits), a hexadecimal one ("0x", hex digits
// with at most one ".", an optional exponent "p" [sign] digits), or one of
// the words inf, infinity, nan in any case. The character that ends the run
// stays in the input.
//
// A complete run gives the nearest double; an incomplete one ("-", ".",
// "1e+", "0x", "infin") gives nothing, and its characters are gone.
// A number may be any length: memory stays bounded and rounding exact.
std::optional<double> scan_number(console& input);

// Whether `c` is white space as scan_number skips it.
bool is_space(int c);

}  // namespace tremovia
