#include "lens/compute_lens.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tremovia {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

lens_values computed(double n0, double n1, double n2, double v1, double v2, double s1, double s2) {
    lens_values lens;
    lens.n0 = n0, lens.n1 = n1, lens.n2 = n2, lens.v1 = v1, lens.v2 = v2, lens.s1 = s1, lens.s2 = s2;
    compute_lens(lens);
    return lens;
}

std::string six_decimals(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

struct derived_field {
    const char* name;
    double lens_values::*field;
};
constexpr derived_field derived_fields[] = {
    {"N01", &lens_values::N01}, {"N12", &lens_values::N12},   {"R221", &lens_values::R221},
    {"R222", &lens_values::R222}, {"T1212", &lens_values::T1212}, {"R121", &lens_values::R121},
    {"R122", &lens_values::R122}, {"S11", &lens_values::S11},   {"S12", &lens_values::S12},
    {"S21", &lens_values::S21},   {"S22", &lens_values::S22},   {"FI", &lens_values::FI},
    {"FO", &lens_values::FO},     {"HI", &lens_values::HI},     {"HO", &lens_values::HO},
};

const derived_field& field_named(const std::string& name) {
    for (const derived_field& f : derived_fields)
        if (name == f.name) return f;
    throw std::invalid_argument(name);
}

TEST(ComputeLens, WorkedLensesAtPrintedPrecision) {
    const struct {
        lens_values lens;
        std::vector<std::pair<std::string, std::string>> expected;
    } cases[] = {
        {computed(1, 1.5, 1, 0, 1, 10, -10),
         {{"N01", "0.666667"}, {"N12", "1.500000"}, {"R221", "-5.500000"}, {"R222", "1.500000"},
          {"T1212", "1.000000"}, {"R121", "-3.333333"}, {"R122", "0.666667"}, {"S11", "-2.333333"},
          {"S12", "0.666667"}, {"S21", "7.833333"}, {"S22", "-2.666667"}, {"FI", "1.297872"},
          {"FO", "-0.340426"}, {"HI", "1.425532"}, {"HO", "-0.468085"}}},
        {computed(1, 1.52, 1.33, 0, 1.2, 8, -12),
         {{"S11", "-2.284211"}, {"S12", "0.789474"}, {"S21", "1.179549"}, {"S22", "-0.736842"},
          {"FI", "3.136512"}, {"FO", "-0.624681"}, {"HI", "3.984294"}, {"HO", "-1.262111"}}},
        {computed(1, 1.5, 1, 0, 0.5, 5, -5),
         {{"S11", "0.166667"}, {"S21", "-2.958333"}, {"FI", "0.556338"}, {"FO", "-0.028169"},
          {"HI", "0.218310"}, {"HO", "0.309859"}}},
    };
    for (const auto& c : cases)
        for (const auto& [name, text] : c.expected)
            EXPECT_EQ(six_decimals(c.lens.*field_named(name).field), text) << name;
}

// Signed zeros, infinities and NaN, bit for bit. "nan" stands for any NaN.
TEST(ComputeLens, SignedZerosInfinitiesAndNotANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        lens_values lens;
        std::vector<std::pair<std::string, double>> expected;
    } cases[] = {
        {"equal indices", computed(1, 1, 1, 0, 1, 10, -10),
         {{"N01", 1}, {"N12", 1}, {"R221", 0.0}, {"R121", -0.0}, {"S11", 1}, {"S12", 1},
          {"S21", 0.0}, {"S22", 1}, {"FI", -inf}, {"FO", inf}, {"HI", nan}, {"HO", nan}}},
        {"equal indices, centres beyond the vertices", computed(1, 1, 1, 0, 1, 10, 20),
         {{"R221", -0.0}, {"R121", -0.0}, {"S21", -0.0}, {"FI", inf}, {"FO", -inf}, {"HI", nan}}},
        {"equal indices, centres before the vertices", computed(1, 1, 1, 0, 1, -10, -20),
         {{"R221", 0.0}, {"R121", 0.0}, {"S21", 0.0}, {"FI", -inf}, {"FO", inf}}},
        {"centre on its vertex", computed(1, 1.5, 1, 2, 3, 2, -10),
         {{"R121", 0.0}, {"S11", 1}, {"HI", 3}}},
        {"lens index zero", computed(1, 0, 1, 0, 1, 10, -10),
         {{"N01", inf}, {"N12", 0.0}, {"R121", inf}, {"S11", inf}, {"FI", nan}}},
        {"medium behind zero", computed(1, 1.5, 0, 0, 1, 10, -10),
         {{"N12", inf}, {"R221", -inf}, {"R222", inf}, {"S21", nan}, {"FI", nan}, {"HO", nan}}},
        {"unread n0", computed(nan, 1.5, 1, 0, 1, 10, -10),
         {{"N01", nan}, {"R121", nan}, {"R122", nan}, {"S11", nan}, {"S12", nan}, {"S21", nan},
          {"S22", nan}, {"FI", nan}, {"FO", nan}, {"HI", nan}, {"HO", nan},
          {"N12", 1.5}, {"R221", -5.5}, {"R222", 1.5}, {"T1212", 1}}},
        {"unread v2", computed(1, 1.5, 1, 0, nan, 10, -10),
         {{"N01", 2.0 / 3.0}, {"R121", -0x1.aaaaaaaaaaaacp+1}, {"T1212", nan}, {"R221", nan}, {"HO", nan}}},
    };
    for (const auto& c : cases)
        for (const auto& [name, want] : c.expected) {
            const double got = c.lens.*field_named(name).field;
            if (std::isnan(want))
                EXPECT_TRUE(std::isnan(got)) << c.what << ": " << name << " = " << got;
            else
                EXPECT_EQ(bits(got), bits(want)) << c.what << ": " << name << " = " << got;
        }
}

TEST(ComputeLens, SameInputsGiveTheSameBitsAgain) {
    lens_values lens = computed(1.1, 1.6, 1.1, -4.16, -2.47, -5.66, 8.93);
    const lens_values first = lens;
    compute_lens(lens);
    for (const derived_field& f : derived_fields) EXPECT_EQ(bits(lens.*f.field), bits(first.*f.field)) << f.name;
}

// Each formula runs in the x87 extended format and is rounded once to double
// when stored; plain double arithmetic gives other bits for these inputs,
// and for the first ones other printed digits. The expected bits were
// checked against an exact rational model of the rounding.
TEST(ComputeLens, ExtendedPrecisionWhereDoubleDiffers) {
    const struct {
        lens_values inputs;
        const char* field;
        double extended;
        const char* printed;
    } cases[] = {
        {computed(1.1, 1.6, 1.1, -4.16, -2.47, -5.66, 8.93), "S11", 0x1.caccccccccccdp+0, "1.792188"},
        {computed(1.65, 1.76, 1.17, -4.24, -3.23, -0.7, -10.48), "S11", 0x1.8d9652bd3c361p-1, "0.776537"},
        {computed(1.35, 1.6, 1.15, -2.56, -1.17, 22.71, 0.33), "R121", -0x1.f966666666667p+1, "-3.948438"},
        {computed(1.35, 1.6, 1, -0.58, 1.44, 6.3, -3.5), "S22", -0x1.d9d38476f2a5cp+1, "-3.701768"},
        // Across the whole double range the wider exponent matters: plain
        // double overflows inside S21 and ends in NaN.
        {computed(0x1.999999999999ap+348, 0x1.3333333333333p+702, -0x1.6666666666666p+301,
                  0x1.9333333333333p+19, -0x1.4cccccccccccdp+183, -0x1.c666666666666p+894,
                  0x1.4cccccccccccdp-359),
         "FO", 0x1.9333333333333p+19, "825753.600000"},
        // Here IEEE quad gives -4.169982 and plain double 0.000000.
        {computed(0x1.0666666666666p+85, -0x1.2666666666666p+77, -0x1.399999999999ap+3,
                  0x1.d99999999999ap-20, 0x1.599999999999ap+47, -0x1p+16, -0x1.3p-10),
         "HO", -0x1.0acp+2, "-4.167969"},
    };
    for (const auto& c : cases) {
        const double lens_values::*field = field_named(c.field).field;
        EXPECT_EQ(bits(c.inputs.*field), bits(c.extended)) << c.field << std::hexfloat << " " << c.inputs.*field;
        EXPECT_EQ(six_decimals(c.inputs.*field), c.printed) << c.field;

        lens_values in_double = c.inputs;
        compute_lens_in<double>(in_double);
        EXPECT_NE(bits(in_double.*field), bits(c.extended)) << c.field << ": not a case that tells";
    }
}

}  // namespace
}  // namespace tremovia
