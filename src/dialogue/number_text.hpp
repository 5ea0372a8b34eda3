#pragma once

#include <string>

namespace tremovia {

// Appends `value` as the dialogue prints every number: fixed notation with
// six decimals, correctly rounded; "-" before every negative value, negative
// zero included; "inf" and "-inf"; "nan" whatever the sign bit.
void append_number(std::string& text, double value);

// The same for a finite value through the C library's "%.6f", which is
// correctly rounded where the C library is exact (glibc, emscripten's).
// append_number uses it where the standard library cannot write a double
// with std::to_chars (libc++ 13); elsewhere the tests compare the two.
void append_fixed_six_by_printf(std::string& text, double finite);

}  // namespace tremovia
