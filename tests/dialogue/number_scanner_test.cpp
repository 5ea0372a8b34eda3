#include "dialogue/number_scanner.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "dialogue/memory_streams.hpp"

namespace tremovia {
namespace {

constexpr int end = console::end_of_input;
constexpr double fails = -1234.5;  // stands for "the read fails" in the tables
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct scan_case {
    std::string input;
    double expected;  // `fails`, a NaN, or the exact double
    int next;         // the character left next in the input
};

void PrintTo(const scan_case& c, std::ostream* os) { *os << '"' << c.input.substr(0, 60) << '"'; }

void expect_scan(const scan_case& c) {
    testing::string_input input(c.input);
    testing::string_output output;
    console io(input, output);
    const std::optional<double> got = scan_number(io);
    if (c.expected == fails) {
        EXPECT_FALSE(got.has_value()) << "read " << *got;
    } else if (std::isnan(c.expected)) {
        ASSERT_TRUE(got.has_value());
        EXPECT_TRUE(std::isnan(*got)) << *got;
    } else {
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(c.expected))
            << std::hexfloat << "got " << *got << ", want " << c.expected;
    }
    EXPECT_EQ(io.peek(), c.next);
}

class ScanNumber : public ::testing::TestWithParam<scan_case> {};
TEST_P(ScanNumber, StoresAndLeaves) { expect_scan(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Decimal, ScanNumber, ::testing::Values(
    scan_case{"1.5\n", 1.5, '\n'},
    scan_case{" \t\n\v\f\r\n\n7\n", 7, '\n'},
    scan_case{"1e1", 10, end},
    scan_case{"+3\n", 3, '\n'},
    scan_case{".5\n", 0.5, '\n'},
    scan_case{"-.5", -0.5, end},
    scan_case{"5.\n", 5, '\n'},
    scan_case{"-0\n", -0.0, '\n'},
    scan_case{"-0.0e7", -0.0, end},
    scan_case{"0.1", 0x1.999999999999ap-4, end},
    scan_case{"2,5\n", 2, ','},
    scan_case{"10 -10\n", 10, ' '},
    scan_case{"1.2.3", 1.2, '.'},
    scan_case{"000000.000001e6", 1, end},
    scan_case{"1E-2", 0.01, end},
    scan_case{"1e+5x", 1e5, 'x'},
    scan_case{"1e0000000000000000000000000000000001", 10, end},
    scan_case{"0e99999999999999999999999", 0, end},
    scan_case{"1e-9223372036854775809", 0, end},
    scan_case{"-1e-9223372036854775809", -0.0, end},
    scan_case{"1e18446744073709551616", inf, end},
    scan_case{"-1e400", -inf, end},
    scan_case{"1e-400", 0, end},
    scan_case{"4.9e-324", 0x1p-1074, end},
    scan_case{"2.4703282292062328e-324", 0x1p-1074, end},
    scan_case{"2.4703282292062327e-324", 0, end},
    scan_case{"1.7976931348623158e308", DBL_MAX, end},
    scan_case{"1.7976931348623159e308", inf, end}));

// What glibc's scanf gets wrong: an exponent mark or "0x" without digits
// stores nothing, and the character where the run stopped stays.
INSTANTIATE_TEST_SUITE_P(Incomplete, ScanNumber, ::testing::Values(
    scan_case{"", fails, end},
    scan_case{"   ", fails, end},
    scan_case{"abc\n", fails, 'a'},
    scan_case{"-\n", fails, '\n'},
    scan_case{"+x", fails, 'x'},
    scan_case{".\n", fails, '\n'},
    scan_case{"-.e1", fails, 'e'},
    scan_case{"e5", fails, 'e'},
    scan_case{"1e\n", fails, '\n'},
    scan_case{"1e+\n", fails, '\n'},
    scan_case{"1e-x", fails, 'x'},
    scan_case{"100ergs", fails, 'r'},
    scan_case{",5", fails, ','},
    scan_case{"0x\n", fails, '\n'},
    scan_case{"0x.\n", fails, '\n'},
    scan_case{"0xp1", fails, 'p'},
    scan_case{"0xg", fails, 'g'},
    scan_case{"0x1p\n", fails, '\n'},
    scan_case{"0x1p-", fails, end}));

INSTANTIATE_TEST_SUITE_P(Hexadecimal, ScanNumber, ::testing::Values(
    scan_case{"0x1p3", 8, end},
    scan_case{"0X1.8P1", 3, end},
    scan_case{"0x.8", 0.5, end},
    scan_case{"0xAbC\n", 2748, '\n'},
    scan_case{"0xfF", 255, end},
    scan_case{"-0x10", -16, end},
    scan_case{"0x1e", 30, end},
    scan_case{"0x1.8p-1", 0.75, end},
    scan_case{"0x1p1.5", 2, '.'},
    scan_case{"00x1", 0, 'x'},
    scan_case{"-0x0p0", -0.0, end},
    scan_case{"0x1.00000000000008", 1, end},
    scan_case{"0x1.00000000000018", 0x1.0000000000002p0, end},
    scan_case{"0x1p-1075", 0, end},
    scan_case{"0x1.000001p-1075", 0x1p-1074, end},
    scan_case{"0x1p1024", inf, end}));

INSTANTIATE_TEST_SUITE_P(Words, ScanNumber, ::testing::Values(
    scan_case{"inf", inf, end},
    scan_case{"INFINITY\n", inf, '\n'},
    scan_case{"-Inf", -inf, end},
    scan_case{"+iNfInItY", inf, end},
    scan_case{"infx", inf, 'x'},
    scan_case{"infinityx", inf, 'x'},
    scan_case{"in\n", fails, '\n'},
    scan_case{"infin\n", fails, '\n'},
    scan_case{"infinit", fails, end},
    scan_case{"i", fails, end},
    scan_case{"nan", nan, end},
    scan_case{"-NaN\n", nan, '\n'},
    scan_case{"nan(1)", nan, '('},
    scan_case{"na\n", fails, '\n'},
    scan_case{"nax", fails, 'x'},
    scan_case{"-n", fails, end}));

std::string repeated(char c, std::size_t count) { return std::string(count, c); }

// Numbers longer than the digits the scanner keeps: the rounding still
// depends on every digit, however far away.
INSTANTIATE_TEST_SUITE_P(Long, ScanNumber, ::testing::Values(
    scan_case{"9007199254740993." + repeated('0', 100'000) + "1", 9007199254740994.0, end},
    scan_case{"9007199254740993." + repeated('0', 100'000), 9007199254740992.0, end},
    scan_case{"9007199254740993" + repeated('0', 5000) + "1e-5001", 9007199254740994.0, end},
    scan_case{"9007199254740993" + repeated('0', 5000) + "e-5000\n", 9007199254740992.0, '\n'},
    scan_case{"0." + repeated('0', 100'000) + "1e100001", 1, end},
    scan_case{repeated('0', 100'000) + "1", 1, end},
    scan_case{"1" + repeated('0', 400) + "e-400", 1, end},
    scan_case{"1" + repeated('0', 5000), inf, end},
    scan_case{"0." + repeated('0', 5000) + "1", 0, end},
    scan_case{"0x1" + repeated('0', 1000) + "1p-4004", 1, end},
    scan_case{"0x1.00000000000008" + repeated('0', 1000) + "1", 0x1.0000000000001p0, end},
    scan_case{"0x1.00000000000008" + repeated('0', 1000) + "x", 1, 'x'}));

// The tie of 2^53 + 1 is broken by a digit 1 placed at every position around
// the number of digits kept, and stays a tie with a 0 there.
TEST(ScanNumberLong, TieBreakerAtEveryPositionAroundTheKeptDigits) {
    const std::string tie = "9007199254740993";
    for (std::size_t zeros = 760; zeros <= 840; ++zeros) {
        SCOPED_TRACE(zeros);
        expect_scan({tie + "." + repeated('0', zeros) + "1", 9007199254740994.0, end});
        expect_scan({tie + "." + repeated('0', zeros) + "0", 9007199254740992.0, end});
        expect_scan({"-" + tie + repeated('0', zeros) + "1e-" + std::to_string(zeros + 1),
                     -9007199254740994.0, end});
    }
}

// The decimal digits of m * 5^k, exact: m * 2^-k is m * 5^k * 10^-k.
std::string digits_of_times_power_of_five(std::uint64_t m, int k) {
    std::string digits = std::to_string(m);  // most significant first
    for (int i = 0; i < k; ++i) {
        int carry = 0;
        for (auto at = digits.rbegin(); at != digits.rend(); ++at) {
            const int product = (*at - '0') * 5 + carry;
            *at = static_cast<char>('0' + product % 10);
            carry = product / 10;
        }
        if (carry != 0) digits.insert(digits.begin(), static_cast<char>('0' + carry));
    }
    return digits;
}

// The halfway point with the most significant digits: (2^53 - 1) * 2^-1075,
// between the largest subnormal and the smallest normal double, has 768. Its
// last digit decides the rounding, so every one of them must be kept.
TEST(ScanNumberLong, HalfwayPointWithTheMostDigits) {
    std::string digits = digits_of_times_power_of_five((std::uint64_t{1} << 53) - 1, 1075);
    ASSERT_EQ(digits.size(), 768U);
    ASSERT_EQ(digits.back(), '5');
    const std::string exponent = "e-" + std::to_string(1075 + 1 - digits.size());
    const auto number = [&] { return digits.substr(0, 1) + "." + digits.substr(1) + exponent; };
    expect_scan({number(), 0x1p-1022, end});  // a tie, to the even significand
    digits.back() = '4';
    expect_scan({number(), 0x0.fffffffffffffp-1022, end});
    digits.back() = '6';
    expect_scan({number(), 0x1p-1022, end});
}

}  // namespace
}  // namespace tremovia
