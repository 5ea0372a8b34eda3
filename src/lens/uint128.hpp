#pragma once

#include <compare>
#include <cstdint>

namespace tremovia {

// An unsigned 128-bit integer of two 64-bit halves, with only the operations
// the software extended format needs. Compilers for 32-bit targets and MSVC
// have no 128-bit integer; this one behaves the same everywhere.
class uint128 {
public:
    constexpr uint128(std::uint64_t low = 0) : high_(0), low_(low) {}  // NOLINT: widening, as for built-in integers
    static constexpr uint128 from_halves(std::uint64_t high, std::uint64_t low) {
        uint128 x;
        x.high_ = high;
        x.low_ = low;
        return x;
    }

    constexpr std::uint64_t high() const { return high_; }
    constexpr std::uint64_t low() const { return low_; }
    constexpr explicit operator std::uint64_t() const { return low_; }

    constexpr bool operator==(const uint128&) const = default;
    constexpr std::strong_ordering operator<=>(const uint128& other) const {
        return high_ != other.high_ ? high_ <=> other.high_ : low_ <=> other.low_;
    }

    friend constexpr uint128 operator+(uint128 a, uint128 b) {
        const std::uint64_t low = a.low_ + b.low_;
        return from_halves(a.high_ + b.high_ + (low < a.low_ ? 1 : 0), low);
    }
    friend constexpr uint128 operator-(uint128 a, uint128 b) {
        return from_halves(a.high_ - b.high_ - (a.low_ < b.low_ ? 1 : 0), a.low_ - b.low_);
    }
    constexpr uint128& operator++() { return *this = *this + 1; }

    friend constexpr uint128 operator&(uint128 a, uint128 b) {
        return from_halves(a.high_ & b.high_, a.low_ & b.low_);
    }
    friend constexpr uint128 operator|(uint128 a, uint128 b) {
        return from_halves(a.high_ | b.high_, a.low_ | b.low_);
    }

    // Shifts by 128 or more give 0, as the bits all leave.
    friend constexpr uint128 operator<<(uint128 a, long n) {
        if (n >= 128) return 0;
        if (n >= 64) return from_halves(a.low_ << (n - 64), 0);
        if (n == 0) return a;
        return from_halves((a.high_ << n) | (a.low_ >> (64 - n)), a.low_ << n);
    }
    friend constexpr uint128 operator>>(uint128 a, long n) {
        if (n >= 128) return 0;
        if (n >= 64) return a.high_ >> (n - 64);
        if (n == 0) return a;
        return from_halves(a.high_ >> n, (a.low_ >> n) | (a.high_ << (64 - n)));
    }
    constexpr uint128& operator>>=(long n) { return *this = *this >> n; }

private:
    std::uint64_t high_;
    std::uint64_t low_;
};

// The full product of two 64-bit numbers, from four 32-bit partial products.
constexpr uint128 multiply(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t mask = 0xffffffff;
    const std::uint64_t low_low = (a & mask) * (b & mask);
    const std::uint64_t low_high = (a & mask) * (b >> 32);
    const std::uint64_t high_low = (a >> 32) * (b & mask);
    const std::uint64_t high_high = (a >> 32) * (b >> 32);
    const std::uint64_t middle = (low_low >> 32) + (low_high & mask) + (high_low & mask);
    return uint128::from_halves(high_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32),
                                (middle << 32) | (low_low & mask));
}

}  // namespace tremovia
