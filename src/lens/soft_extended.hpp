#pragma once

#include <cstdint>

namespace tremovia {

// A number in the x87 80-bit extended format, computed in software: sign,
// 15-bit biased exponent and 64-bit significand with an explicit integer bit.
// Every operation rounds to nearest, ties to even, and behaves as the x87
// does with all exceptions masked: gradual underflow, overflow to infinity,
// invalid operations giving the default NaN, NaN operands propagated.
// Only what the lens formulas need: conversion from and to double and the
// four basic operations.
class soft_extended {
public:
    static constexpr std::uint16_t max_exponent = 0x7fff;  // infinities and NaNs
    static constexpr int exponent_bias = 16383;

    soft_extended() = default;
    // Exact: every double is a soft_extended.
    explicit soft_extended(double value);
    // Correctly rounded to double.
    explicit operator double() const;

    static constexpr soft_extended from_bits(bool negative, std::uint16_t biased_exponent,
                                             std::uint64_t significand) {
        soft_extended x;
        x.negative_ = negative;
        x.exponent_ = biased_exponent;
        x.significand_ = significand;
        return x;
    }
    bool negative() const { return negative_; }
    std::uint16_t biased_exponent() const { return exponent_; }
    std::uint64_t significand() const { return significand_; }

    // For the canonical encodings, the ones every operation produces.
    bool is_nan() const { return exponent_ == max_exponent && (significand_ << 1) != 0; }
    bool is_infinite() const { return exponent_ == max_exponent && (significand_ << 1) == 0; }
    bool is_zero() const { return exponent_ == 0 && significand_ == 0; }

private:
    bool negative_ = false;
    std::uint16_t exponent_ = 0;
    std::uint64_t significand_ = 0;
};

soft_extended operator+(soft_extended a, soft_extended b);
soft_extended operator-(soft_extended a, soft_extended b);
soft_extended operator*(soft_extended a, soft_extended b);
soft_extended operator/(soft_extended a, soft_extended b);

}  // namespace tremovia
