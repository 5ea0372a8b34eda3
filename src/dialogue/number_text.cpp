#include "dialogue/number_text.hpp"

#include <charconv>
#include <cmath>

namespace tremovia {

void append_number(std::string& text, double value) {
    if (std::isnan(value)) {
        text += "nan";  // never "-nan": 0/0 on the x87 has its sign bit set
        return;
    }
    if (std::isinf(value)) {
        text += value < 0 ? "-inf" : "inf";
        return;
    }
    // The largest double has 309 digits before the point.
    char digits[320];
    const auto written = std::to_chars(digits, digits + sizeof digits, value,
                                       std::chars_format::fixed, 6);
    text.append(digits, written.ptr);
}

}  // namespace tremovia
