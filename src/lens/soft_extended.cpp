#include "lens/soft_extended.hpp"

#include <bit>
#include <cstring>
#include <optional>
#include <utility>

#include "lens/uint128.hpp"

namespace tremovia {
namespace {

// memcpy rather than std::bit_cast, which libc++ 13 lacks.
std::uint64_t bits_of(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double double_from_bits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

constexpr std::uint64_t integer_bit = std::uint64_t{1} << 63;
constexpr std::uint64_t quiet_bit = std::uint64_t{1} << 62;

// A binary floating-point format that results are rounded into.
struct format {
    int precision;     // significand bits, the leading one included
    int min_exponent;  // of the leading bit of the smallest normal number
    int max_exponent;  // of the leading bit of the largest finite number
};
constexpr format extended_format{64, 1 - soft_extended::exponent_bias, soft_extended::exponent_bias};
constexpr format double_format{53, -1022, 1023};

// A finite value rounded into a format: significand times 2^lsb_exponent,
// with the significand below 2^precision; or an overflow to infinity.
struct rounded {
    std::uint64_t significand;
    int lsb_exponent;
    bool infinite;
};

int bit_length(uint128 m) {
    return m.high() != 0 ? 128 - std::countl_zero(m.high()) : 64 - std::countl_zero(m.low());
}

// The one rounding step of every operation: the exact value m * 2^q, where
// the lowest bit of m may be a sticky bit standing for inexact bits below it
// (it then lies below the rounding position), rounded to nearest with ties to
// even into `f`, with gradual underflow and overflow to infinity.
rounded round_into(const format& f, uint128 m, long q) {
    if (m == 0) return {0, f.min_exponent - f.precision + 1, false};
    const long leading = q + bit_length(m) - 1;
    long lsb = (leading >= f.min_exponent ? leading : f.min_exponent) - f.precision + 1;
    const long drop = lsb - q;
    uint128 kept;
    if (drop <= 0) {
        kept = m << -drop;  // exact, and fewer than `precision` bits
    } else {
        // Past 128 bits, m lies below half of the last place: it rounds to 0.
        kept = drop >= 128 ? 0 : m >> drop;
        if (drop <= 128) {
            const uint128 rest = drop == 128 ? m : m & ((uint128{1} << drop) - 1);
            const uint128 half = uint128{1} << (drop - 1);
            if (rest > half || (rest == half && (kept.low() & 1) != 0)) ++kept;
        }
        if ((kept >> f.precision) != 0) {  // rounding carried into a new bit
            kept >>= 1;
            ++lsb;
        }
    }
    const bool infinite = kept != 0 && lsb + bit_length(kept) - 1 > f.max_exponent;
    return {static_cast<std::uint64_t>(kept), static_cast<int>(lsb), infinite};
}

soft_extended zero(bool negative) { return soft_extended::from_bits(negative, 0, 0); }

soft_extended infinity(bool negative) {
    return soft_extended::from_bits(negative, soft_extended::max_exponent, integer_bit);
}

// What the x87 returns for an invalid operation: the negative "indefinite" NaN.
soft_extended default_nan() {
    return soft_extended::from_bits(true, soft_extended::max_exponent, integer_bit | quiet_bit);
}

// Encodings the x87 refuses as operands, answering with the default NaN: a
// clear integer bit under a non-zero exponent (unnormals, pseudo-zeros,
// pseudo-infinities, pseudo-NaNs).
bool is_unsupported(soft_extended x) {
    return x.biased_exponent() != 0 && (x.significand() & integer_bit) == 0;
}

soft_extended quieted(soft_extended nan) {
    return soft_extended::from_bits(nan.negative(), nan.biased_exponent(), nan.significand() | quiet_bit);
}

// The NaN an operation with a NaN operand returns, as the x87 chooses it: a
// quiet one before a signalling one, then the larger significand, then the
// positive one; always quiet.
soft_extended propagated_nan(soft_extended a, soft_extended b) {
    if (!b.is_nan()) return quieted(a);
    if (!a.is_nan()) return quieted(b);
    const bool a_quiet = (a.significand() & quiet_bit) != 0;
    const bool b_quiet = (b.significand() & quiet_bit) != 0;
    if (a_quiet != b_quiet) return quieted(a_quiet ? a : b);
    if (a.significand() != b.significand()) return quieted(a.significand() > b.significand() ? a : b);
    return quieted(a.negative() ? b : a);
}

// The result of an operation that NaN or an unsupported encoding decides.
std::optional<soft_extended> nan_result(soft_extended a, soft_extended b) {
    if (is_unsupported(a) || is_unsupported(b)) return default_nan();
    if (a.is_nan() || b.is_nan()) return propagated_nan(a, b);
    return std::nullopt;
}

soft_extended pack_extended(bool negative, uint128 m, long q) {
    const rounded r = round_into(extended_format, m, q);
    if (r.infinite) return infinity(negative);
    // A normal number has its integer bit set; a subnormal one, exponent 0.
    const bool normal = (r.significand & integer_bit) != 0;
    const long biased = normal ? r.lsb_exponent + 63 + soft_extended::exponent_bias : 0;
    return soft_extended::from_bits(negative, static_cast<std::uint16_t>(biased), r.significand);
}

// A finite soft_extended as significand * 2^exponent.
struct unpacked {
    std::uint64_t significand;
    long exponent;
};
unpacked unpack(soft_extended x) {
    const long biased = x.biased_exponent() == 0 ? 1 : x.biased_exponent();
    return {x.significand(), biased - soft_extended::exponent_bias - 63};
}

soft_extended add(soft_extended a, soft_extended b, bool negate_b) {
    if (const auto nan = nan_result(a, b)) return *nan;
    const bool b_negative = b.negative() != negate_b;
    if (a.is_infinite() || b.is_infinite()) {
        if (a.is_infinite() && b.is_infinite() && a.negative() != b_negative) return default_nan();
        return infinity(a.is_infinite() ? a.negative() : b_negative);
    }
    if (a.is_zero() && b.is_zero()) return zero(a.negative() && b_negative);

    // Align both on the larger exponent, 63 bits up, so that the sum fits in
    // 128 bits and a far smaller operand leaves only a sticky bit.
    unpacked x = unpack(a), y = unpack(b);
    bool x_negative = a.negative(), y_negative = b_negative;
    if (x.exponent < y.exponent) {
        std::swap(x, y);
        std::swap(x_negative, y_negative);
    }
    const long q = x.exponent - 63;
    const uint128 mx = uint128{x.significand} << 63;
    const long shift = y.exponent - q;  // below 64
    uint128 my;
    if (shift >= 0) {
        my = uint128{y.significand} << shift;
    } else if (-shift >= 128) {
        my = y.significand != 0 ? 1 : 0;
    } else {
        my = uint128{y.significand} >> -shift;
        if ((my << -shift) != y.significand) my = my | 1;
    }
    if (x_negative == y_negative) return pack_extended(x_negative, mx + my, q);
    if (mx == my) return zero(false);  // exact cancellation is +0
    return mx > my ? pack_extended(x_negative, mx - my, q) : pack_extended(y_negative, my - mx, q);
}

}  // namespace

soft_extended::soft_extended(double value) {
    const auto bits = bits_of(value);
    const bool negative = (bits >> 63) != 0;
    const auto exponent = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (exponent == 0x7ff) {
        // Loading a signalling NaN quiets it; the payload keeps its place.
        *this = fraction == 0 ? infinity(negative)
                              : from_bits(negative, max_exponent, integer_bit | quiet_bit | (fraction << 11));
        return;
    }
    const std::uint64_t significand = exponent == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    *this = pack_extended(negative, significand, (exponent == 0 ? 1 : exponent) - 1023 - 52);
}

soft_extended::operator double() const {
    const std::uint64_t sign = std::uint64_t{negative_} << 63;
    constexpr std::uint64_t all_ones_exponent = std::uint64_t{0x7ff} << 52;
    if (is_unsupported(*this)) return static_cast<double>(default_nan());
    if (is_nan()) {
        // Storing keeps the top of the payload and makes the NaN quiet.
        return double_from_bits(sign | all_ones_exponent | (std::uint64_t{1} << 51) |
                                ((significand_ & ~integer_bit) >> 11));
    }
    if (is_infinite()) return double_from_bits(sign | all_ones_exponent);
    const unpacked x = unpack(*this);
    const rounded r = round_into(double_format, x.significand, x.exponent);
    if (r.infinite) return double_from_bits(sign | all_ones_exponent);
    const bool normal = (r.significand >> 52) != 0;
    const std::uint64_t biased = normal ? static_cast<std::uint64_t>(r.lsb_exponent + 52 + 1023) : 0;
    const std::uint64_t fraction = r.significand & ((std::uint64_t{1} << 52) - 1);
    return double_from_bits(sign | (biased << 52) | fraction);
}

soft_extended operator+(soft_extended a, soft_extended b) { return add(a, b, false); }
soft_extended operator-(soft_extended a, soft_extended b) { return add(a, b, true); }

soft_extended operator*(soft_extended a, soft_extended b) {
    if (const auto nan = nan_result(a, b)) return *nan;
    const bool negative = a.negative() != b.negative();
    if (a.is_infinite() || b.is_infinite()) {
        if (a.is_zero() || b.is_zero()) return default_nan();
        return infinity(negative);
    }
    const unpacked x = unpack(a), y = unpack(b);
    return pack_extended(negative, multiply(x.significand, y.significand), x.exponent + y.exponent);
}

soft_extended operator/(soft_extended a, soft_extended b) {
    if (const auto nan = nan_result(a, b)) return *nan;
    const bool negative = a.negative() != b.negative();
    if (a.is_infinite()) return b.is_infinite() ? default_nan() : infinity(negative);
    if (b.is_infinite()) return zero(negative);
    if (b.is_zero()) return a.is_zero() ? default_nan() : infinity(negative);
    if (a.is_zero()) return zero(negative);

    // Both significands normalized to 64 bits, x / y lies between 1/2 and 2:
    // 67 quotient bits by long division hold the 64 kept, two more and the
    // rounding; a sticky bit stands for a remainder.
    const unpacked x = unpack(a), y = unpack(b);
    const int x_shift = std::countl_zero(x.significand);
    const int y_shift = std::countl_zero(y.significand);
    const std::uint64_t divisor = y.significand << y_shift;
    std::uint64_t remainder = x.significand << x_shift;
    uint128 quotient = 0;
    for (int bit = 0; bit < 67; ++bit) {
        // The remainder stays below the divisor, so twice it needs one more bit.
        const bool carry = bit > 0 && (remainder >> 63) != 0;
        if (bit > 0) remainder <<= 1;
        const bool fits = carry || remainder >= divisor;
        if (fits) remainder -= divisor;
        quotient = (quotient << 1) | (fits ? 1 : 0);
    }
    const uint128 m = (quotient << 1) | (remainder != 0 ? 1 : 0);
    const long q = (x.exponent - x_shift) - (y.exponent - y_shift) - 64 - 3;
    return pack_extended(negative, m, q);
}

}  // namespace tremovia
