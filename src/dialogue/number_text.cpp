#include "dialogue/number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tremovia {

namespace {

// The largest double has 309 digits before the point.
constexpr std::size_t longest_fixed_six = 1 + 309 + 1 + 6;

}  // namespace

void append_number(std::string& text, double value) {
    if (std::isnan(value)) {
        text += "nan";  // never "-nan": 0/0 on the x87 has its sign bit set
        return;
    }
    if (std::isinf(value)) {
        text += value < 0 ? "-inf" : "inf";
        return;
    }
#if defined(__cpp_lib_to_chars)
    char digits[longest_fixed_six];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    text.append(digits, written.ptr);
#else
    append_fixed_six_by_printf(text, value);
#endif
}

void append_fixed_six_by_printf(std::string& text, double finite) {
    char digits[longest_fixed_six + 1];  // and the C library's terminating zero
    const int length = std::snprintf(digits, sizeof digits, "%.6f", finite);
    text.append(digits, static_cast<std::size_t>(length));
}

}  // namespace tremovia
