#pragma once

#include <cstdint>

namespace tremovia {

// The x87 control word: exception masks, precision control (bits 8-9) and
// rounding control (bits 10-11). It is process state, so whoever started
// the process, or called the code, may have left it otherwise.
inline std::uint16_t x87_control_word() {
    std::uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

inline void set_x87_control_word(std::uint16_t word) { __asm__ volatile("fldcw %0" : : "m"(word) : "memory"); }

// A 64-bit significand and rounding to nearest, as the formulas need.
constexpr std::uint16_t with_extended_nearest(std::uint16_t word) {
    constexpr std::uint16_t precision_and_rounding = 0x0f00, extended_precision = 0x0300;
    return static_cast<std::uint16_t>((word & ~precision_and_rounding) | extended_precision);
}

}  // namespace tremovia
