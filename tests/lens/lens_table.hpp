#pragma once

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "lens/lens_values.hpp"

namespace tremovia::testing {

inline constexpr double lens_values::*derived_fields[] = {
    &lens_values::N01,  &lens_values::N12, &lens_values::R221, &lens_values::R222, &lens_values::T1212,
    &lens_values::R121, &lens_values::R122, &lens_values::S11, &lens_values::S12,  &lens_values::S21,
    &lens_values::S22,  &lens_values::FI,  &lens_values::FO,   &lens_values::HI,   &lens_values::HO,
};
inline constexpr const char* derived_names[] = {"N01", "N12", "R221", "R222", "T1212", "R121", "R122", "S11",
                                                "S12", "S21", "S22",  "FI",   "FO",    "HI",   "HO"};

struct lens_bits {
    std::array<std::uint64_t, 7> inputs;   // n0 n1 n2 v1 v2 s1 s2
    std::array<std::uint64_t, 15> fields;  // in the order of derived_fields; any NaN stands for every NaN
};

// Ordinary lenses, signed zeros, infinities, NaN, and lenses across the whole
// double range, each with the bits an exact model of the x87 arithmetic gives.
inline constexpr lens_bits lens_table[] = {
#include "lens/lens_bits.inc"
};

// The same lenses, with the textbook's quotients for the surface terms.
inline constexpr lens_bits textbook_table[] = {
#include "lens/textbook_bits.inc"
};

inline lens_values lens_of(double n0, double n1, double n2, double v1, double v2, double s1, double s2) {
    lens_values lens;
    lens.n0 = n0, lens.n1 = n1, lens.n2 = n2, lens.v1 = v1, lens.v2 = v2, lens.s1 = s1, lens.s2 = s2;
    return lens;
}

inline lens_values with_inputs(const lens_bits& row) {
    lens_values lens;
    double* inputs[] = {&lens.n0, &lens.n1, &lens.n2, &lens.v1, &lens.v2, &lens.s1, &lens.s2};
    for (std::size_t i = 0; i < row.inputs.size(); ++i) *inputs[i] = std::bit_cast<double>(row.inputs[i]);
    return lens;
}

inline void expect_fields(const lens_values& lens, const lens_bits& row) {
    for (std::size_t i = 0; i < row.fields.size(); ++i) {
        const double got = lens.*derived_fields[i];
        const double want = std::bit_cast<double>(row.fields[i]);
        if (std::isnan(want))
            EXPECT_TRUE(std::isnan(got)) << derived_names[i] << " = " << got;
        else
            EXPECT_EQ(std::bit_cast<std::uint64_t>(got), row.fields[i])
                << derived_names[i] << std::hexfloat << " = " << got << ", want " << want;
    }
}

}  // namespace tremovia::testing
