#pragma once

#include <string>

namespace tremovia {

// Appends `value` as the dialogue prints every number: fixed notation with
// six decimals, correctly rounded; "-" before every negative value, negative
// zero included; "inf" and "-inf"; "nan" whatever the sign bit.
void append_number(std::string& text, double value);

}  // namespace tremovia
