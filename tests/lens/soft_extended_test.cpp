#include "lens/soft_extended.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "lens/compute_lens.hpp"

namespace tremovia {
namespace {

constexpr std::uint64_t integer_bit = std::uint64_t{1} << 63;
constexpr std::uint64_t quiet_bit = std::uint64_t{1} << 62;

// An 80-bit pattern: sign, biased exponent, significand.
struct bits80 {
    bool negative;
    std::uint16_t exponent;
    std::uint64_t significand;
    bool operator==(const bits80&) const = default;
};

std::ostream& operator<<(std::ostream& os, const bits80& b) {
    char text[64];
    std::snprintf(text, sizeof text, "%c %04x %016llx", b.negative ? '-' : '+', b.exponent,
                  static_cast<unsigned long long>(b.significand));
    return os << text;
}

soft_extended soft(bits80 b) { return soft_extended::from_bits(b.negative, b.exponent, b.significand); }
bits80 bits(soft_extended x) { return {x.negative(), x.biased_exponent(), x.significand()}; }

// The native x87 value with the same bits (on x86 only).
long double native(bits80 b) {
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, &b.significand, 8);
    const std::uint16_t sign_and_exponent = static_cast<std::uint16_t>((b.negative ? 0x8000 : 0) | b.exponent);
    std::memcpy(raw + 8, &sign_and_exponent, 2);
    long double x;
    std::memcpy(&x, raw, sizeof x);
    return x;
}
bits80 bits(long double x) {
    unsigned char raw[sizeof(long double)];
    std::memcpy(raw, &x, sizeof x);
    bits80 b{};
    std::uint16_t sign_and_exponent;
    std::memcpy(&b.significand, raw, 8);
    std::memcpy(&sign_and_exponent, raw + 8, 2);
    b.negative = (sign_and_exponent >> 15) != 0;
    b.exponent = sign_and_exponent & 0x7fff;
    return b;
}

enum class op { add, subtract, multiply, divide };
template <class T>
T apply(op o, T a, T b) {
    switch (o) {
        case op::add: return a + b;
        case op::subtract: return a - b;
        case op::multiply: return a * b;
        case op::divide: return a / b;
    }
    return a;
}

constexpr bits80 zero{false, 0, 0}, one{false, 0x3fff, integer_bit}, two{false, 0x4000, integer_bit};
constexpr bits80 largest{false, 0x7ffe, ~std::uint64_t{0}}, smallest_normal{false, 1, integer_bit};
constexpr bits80 smallest{false, 0, 1}, infinity{false, 0x7fff, integer_bit};
constexpr bits80 indefinite{true, 0x7fff, integer_bit | quiet_bit};
constexpr bits80 negated(bits80 b) { return {!b.negative, b.exponent, b.significand}; }
constexpr bits80 with_significand(bits80 b, std::uint64_t s) { return {b.negative, b.exponent, s}; }

// Boundary operands in the manner of TestFloat, with the bits the x87 gives.
TEST(SoftExtended, BoundaryOperations) {
    const struct {
        bits80 a;
        op o;
        bits80 b;
        bits80 expected;
    } cases[] = {
        // 1 + 2^-64 is a tie: to even. 1 + 3*2^-64 rounds up.
        {one, op::add, {false, 0x3fff - 64, integer_bit}, one},
        {one, op::add, {false, 0x3fff - 63, integer_bit | (integer_bit >> 1)}, with_significand(one, integer_bit | 2)},
        {with_significand(one, integer_bit | 1), op::add, {false, 0x3fff - 64, integer_bit}, with_significand(one, integer_bit | 2)},
        {one, op::subtract, {false, 0x3fff - 64, integer_bit}, {false, 0x3ffe, ~std::uint64_t{0}}},
        {one, op::subtract, {false, 0x3fff - 65, integer_bit}, one},  // a tie below 1, to even
        {one, op::subtract, one, zero},
        {negated(one), op::add, one, zero},
        {zero, op::add, negated(zero), zero},
        {negated(zero), op::add, negated(zero), negated(zero)},
        {negated(zero), op::subtract, zero, negated(zero)},
        {largest, op::add, largest, infinity},
        {largest, op::multiply, two, infinity},
        {negated(largest), op::multiply, largest, negated(infinity)},
        {smallest, op::multiply, {false, 0x3ffe, integer_bit}, zero},  // half the least: a tie, to even
        {{false, 0, 3}, op::multiply, {false, 0x3ffe, integer_bit}, {false, 0, 2}},
        {smallest_normal, op::subtract, smallest, {false, 0, ~integer_bit}},
        {{false, 0, ~integer_bit}, op::add, smallest, smallest_normal},
        {smallest_normal, op::divide, two, {false, 0, integer_bit >> 1}},
        {one, op::divide, {false, 0x4000, integer_bit | (integer_bit >> 1)}, {false, 0x3ffd, 0xaaaaaaaaaaaaaaab}},
        {one, op::divide, zero, infinity},
        {negated(one), op::divide, zero, negated(infinity)},
        {zero, op::divide, zero, indefinite},
        {infinity, op::subtract, infinity, indefinite},
        {infinity, op::multiply, negated(zero), indefinite},
        {infinity, op::divide, negated(infinity), indefinite},
        {one, op::divide, negated(infinity), negated(zero)},
        {infinity, op::add, largest, infinity},
        // NaNs: quiet before signalling, then the larger significand, then
        // positive; always quieted; subtraction keeps the sign.
        {{false, 0x7fff, integer_bit | quiet_bit | 1}, op::add, {true, 0x7fff, integer_bit | quiet_bit | 2}, {true, 0x7fff, integer_bit | quiet_bit | 2}},
        {{true, 0x7fff, integer_bit | quiet_bit | 1}, op::multiply, {false, 0x7fff, integer_bit | quiet_bit | 1}, {false, 0x7fff, integer_bit | quiet_bit | 1}},
        {{false, 0x7fff, integer_bit | 5}, op::divide, {true, 0x7fff, integer_bit | quiet_bit}, {true, 0x7fff, integer_bit | quiet_bit}},
        {one, op::subtract, {true, 0x7fff, integer_bit | 5}, {true, 0x7fff, integer_bit | quiet_bit | 5}},
        // Unsupported encodings give the default NaN, even beside a NaN;
        // a pseudo-denormal is read as a value.
        {one, op::divide, {false, 5, 0}, indefinite},
        {one, op::multiply, {false, 0x3fff, quiet_bit}, indefinite},
        {{false, 0x7fff, 0}, op::add, one, indefinite},
        {{false, 0x7fff, quiet_bit | 1}, op::add, one, indefinite},
        {{false, 0x7fff, integer_bit | quiet_bit | 5}, op::add, {false, 0x3fff, quiet_bit}, indefinite},
        {{false, 0, integer_bit | 1}, op::add, zero, {false, 1, integer_bit | 1}},
    };
    const char* const names[] = {"+", "-", "*", "/"};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.a << ' ' << names[static_cast<int>(c.o)] << ' ' << c.b);
        EXPECT_EQ(bits(apply(c.o, soft(c.a), soft(c.b))), c.expected);
        if constexpr (long_double_is_x87) {
            EXPECT_EQ(bits(apply(c.o, native(c.a), native(c.b))), c.expected);
        }
    }
}

TEST(SoftExtended, ConversionBoundaries) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    const struct {
        double from;
        bits80 extended;
    } exact[] = {
        {1.0, one},
        {-0.0, negated(zero)},
        {tiny, {false, 0x3fff - 1074, integer_bit}},
        {std::numeric_limits<double>::max(), {false, 0x43fe, 0xfffffffffffff800}},
        {-std::numeric_limits<double>::infinity(), negated(infinity)},
        {std::bit_cast<double>(0x7ff0000000000001), {false, 0x7fff, integer_bit | quiet_bit | 0x800}},
        {std::bit_cast<double>(0xfff8000000000000), indefinite},
    };
    for (const auto& c : exact) EXPECT_EQ(bits(soft_extended(c.from)), c.extended) << c.from;

    const struct {
        bits80 from;
        std::uint64_t double_bits;
    } rounded[] = {
        {with_significand(one, integer_bit | (1 << 10)), 0x3ff0000000000000},  // a tie, to even
        {with_significand(one, integer_bit | (3 << 10)), 0x3ff0000000000002},
        {with_significand(one, integer_bit | (1 << 10) | 1), 0x3ff0000000000001},
        {{false, 0x43fe, ~std::uint64_t{0}}, 0x7ff0000000000000},                // past the largest
        {{false, 0x43fe, 0xfffffffffffffbff}, 0x7fefffffffffffff},
        {{false, 0x3fff - 1075, integer_bit}, 0},                                // half the least
        {{false, 0x3fff - 1075, integer_bit | 1}, 1},
        {{true, 0x3fff - 1075, integer_bit | (integer_bit >> 1)}, 0x8000000000000001},
        {{false, 0x3fff - 1023, ~std::uint64_t{0}}, 0x0010000000000000},         // up to the smallest normal
        {{true, 0, 1}, 0x8000000000000000},
        {largest, 0x7ff0000000000000},
        {{true, 0x7fff, integer_bit | quiet_bit | 0x7ff}, 0xfff8000000000000},
        {{false, 0x7fff, integer_bit | 0x800}, 0x7ff8000000000001},
        {{false, 0x3fff, quiet_bit}, 0xfff8000000000000},
        {{false, 0, integer_bit | 1}, 0},
    };
    for (const auto& c : rounded) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(soft(c.from))), c.double_bits) << c.from;
        if constexpr (long_double_is_x87) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(native(c.from))), c.double_bits) << c.from;
        }
    }
}

// Operands drawn to stress rounding: significands of long runs of ones and
// zeros (their sums and products often fall on or next to a halfway point),
// exponents close together (cancellation) or far apart, extremes, subnormals,
// signed zeros, infinities and NaNs, and plain doubles.
class operand_source {
public:
    explicit operand_source(std::uint64_t seed) : random_(seed) {}

    bits80 next() {
        switch (pick(17)) {
            case 16: return {coin(), exponent(), significand() & ~integer_bit};  // unsupported
            case 0: return {coin(), 0, 0};
            case 1: return {coin(), 0x7fff, integer_bit};
            case 2: return {coin(), 0x7fff, integer_bit | (coin() ? quiet_bit : 0) | (significand() >> 2) | 1};
            case 3: return {coin(), 0, significand() >> (1 + pick(63))};
            case 4: case 5: case 6: return bits(soft_extended(any_double()));
            default: return {coin(), exponent(), significand() | integer_bit};
        }
    }

    // An operand whose exponent lies near `near`'s, for sums that cancel or
    // round at a halfway point.
    bits80 next_near(bits80 near) {
        bits80 b = next();
        if (b.exponent == 0 || b.exponent == 0x7fff || near.exponent == 0x7fff || pick(2) == 0) return b;
        const int exponent = near.exponent + static_cast<int>(pick(140)) - 70;
        if (exponent > 0 && exponent < 0x7fff) b.exponent = static_cast<std::uint16_t>(exponent);
        return b;
    }

    double any_double() {
        if (pick(2) == 0) return std::bit_cast<double>(random_());
        return static_cast<double>(static_cast<std::int64_t>(random_() >> pick(64))) / 4096.0;
    }

private:
    std::uint64_t pick(std::uint64_t n) { return random_() % n; }
    bool coin() { return (random_() & 1) != 0; }

    std::uint64_t significand() {
        if (pick(4) == 0) return random_();
        std::uint64_t s = 0;
        for (int at = 0; at < 64;) {
            const int run = 1 + static_cast<int>(pick(pick(2) == 0 ? 8 : 64));
            if (coin()) s |= (run >= 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << run) - 1)) << at;
            at += run;
        }
        return s;
    }

    std::uint16_t exponent() {
        switch (pick(4)) {
            case 0: return static_cast<std::uint16_t>(1 + pick(0x7ffe));
            case 1: return static_cast<std::uint16_t>(1 + pick(80));
            case 2: return static_cast<std::uint16_t>(0x7ffe - pick(80));
            default: return static_cast<std::uint16_t>(0x3fff - 1100 + pick(2200));
        }
    }

    std::mt19937_64 random_;
};

TEST(SoftExtended, MatchesNativeX87OnAMillionOperationsEach) {
    if (!long_double_is_x87) GTEST_SKIP() << "long double is not the x87 format here";
    for (const op o : {op::add, op::subtract, op::multiply, op::divide}) {
        operand_source source(1000 + static_cast<int>(o));
        int mismatches = 0;
        for (int i = 0; i < 1'000'000 && mismatches < 10; ++i) {
            const bits80 a = source.next();
            const bits80 b = (o == op::add || o == op::subtract) ? source.next_near(a) : source.next();
            const bits80 want = bits(apply(o, native(a), native(b)));
            const bits80 got = bits(apply(o, soft(a), soft(b)));
            if (got != want) {
                ++mismatches;
                ADD_FAILURE() << a << " op" << static_cast<int>(o) << ' ' << b << ": got " << got << ", want " << want;
            }
        }
    }
}

TEST(SoftExtended, ConvertsLikeNativeX87) {
    if (!long_double_is_x87) GTEST_SKIP() << "long double is not the x87 format here";
    operand_source source(77);
    for (int i = 0; i < 1'000'000; ++i) {
        const double d = source.any_double();
        ASSERT_EQ(bits(soft_extended(d)), bits(static_cast<long double>(d))) << std::hexfloat << d;
        bits80 x = source.next();
        if (x.exponent != 0 && x.exponent != 0x7fff && i % 2 == 0)  // around the range of double
            x.exponent = static_cast<std::uint16_t>(0x3fff - 1090 + i % 2200);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(soft(x))),
                  std::bit_cast<std::uint64_t>(static_cast<double>(native(x))))
            << x;
    }
}

// The fifteen formulas give the same bits in software as natively, for
// plausible lenses and for doubles from the whole range.
TEST(SoftExtended, LensFormulasMatchNativeX87) {
    if (!long_double_is_x87) GTEST_SKIP() << "long double is not the x87 format here";
    std::mt19937_64 random(42);
    operand_source source(43);
    const auto uniform = [&](double low, double high) {
        return low + (high - low) * static_cast<double>(random() >> 11) * 0x1p-53;
    };
    for (int i = 0; i < 200'000; ++i) {
        lens_values lens;
        double* inputs[] = {&lens.n0, &lens.n1, &lens.n2, &lens.v1, &lens.v2, &lens.s1, &lens.s2};
        if (i % 2 == 0) {
            lens.n0 = uniform(1, 1.8), lens.n1 = uniform(1.3, 2), lens.n2 = uniform(1, 1.8);
            lens.v1 = uniform(-5, 5), lens.v2 = lens.v1 + uniform(0.1, 3);
            lens.s1 = uniform(-30, 30), lens.s2 = uniform(-30, 30);
        } else {
            for (double* input : inputs) *input = source.any_double();
        }
        lens_values in_software = lens;
        compute_lens_in<long double>(lens);
        compute_lens_in<soft_extended>(in_software);
        ASSERT_EQ(std::memcmp(&lens, &in_software, sizeof lens), 0) << "lens " << i;
    }
}

}  // namespace
}  // namespace tremovia
