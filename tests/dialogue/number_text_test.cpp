#include "dialogue/number_text.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <charconv>
#include <random>
#include <string>

namespace tremovia {
namespace {

std::string text_of(double value) {
    std::string text;
    append_number(text, value);
    return text;
}

TEST(NumberText, SixDecimalsSignsAndSpecialValues) {
    const double negative_nan = -std::numeric_limits<double>::quiet_NaN();
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {0.0, "0.000000"},
        {-0.0, "-0.000000"},
        {-1e-9, "-0.000000"},
        {-0x1p-1074, "-0.000000"},
        {0x1p-1074, "0.000000"},
        {1.5, "1.500000"},
        {-10, "-10.000000"},
        {2.0 / 3.0, "0.666667"},
        {0.0078125, "0.007812"},   // an exact tie goes to the even digit
        {0.0234375, "0.023438"},
        {0.0000005, "0.000000"},   // the double lies just below the tie
        {-0.0000015, "-0.000002"},
        {123456789.125, "123456789.125000"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {negative_nan, "nan"},
    };
    for (const auto& c : cases) EXPECT_EQ(text_of(c.value), c.expected) << std::hexfloat << c.value;
}

TEST(NumberText, HugeValuesPrintEveryDigit) {
    const std::string text = text_of(1e300);
    EXPECT_EQ(text.find('.'), 301U);
    EXPECT_EQ(text.substr(0, 20), "10000000000000000525");
    EXPECT_EQ(text_of(-DBL_MAX).size(), 1U + 309U + 7U);
}

// The two ways of writing a finite number, std::to_chars and the C
// library's "%.6f", agree for every finite double, drawn over all bit
// patterns and near the tie points that six decimals make.
TEST(NumberText, MatchesCorrectlyRoundedFixedNotation) {
#if !defined(__cpp_lib_to_chars)
    GTEST_SKIP() << "append_number writes through the C library here";
#endif
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 200'000; ++i) {
        double value = std::bit_cast<double>(random());
        if (i % 2 == 1) value = std::ldexp(static_cast<double>(random() >> 11), -53 - static_cast<int>(random() % 40));
        if (!std::isfinite(value)) continue;
        std::string expected;
        append_fixed_six_by_printf(expected, value);
        ASSERT_EQ(text_of(value), expected) << std::hexfloat << value;
    }
}

}  // namespace
}  // namespace tremovia
