#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "lens/compute_lens.hpp"
#include "lens/lens_table.hpp"

namespace tremovia::testing {

// Exact fractions of 64-bit integers, enough for lenses typed with a few
// digits; an overflow ends the test rather than give a wrong expectation.
struct fraction {
    std::int64_t n, d;

    static fraction of(std::int64_t n, std::int64_t d) {
        if (d < 0) n = -n, d = -d;
        const std::int64_t g = std::gcd(n, d);
        return {n / g, d / g};
    }
    // A decimal as typed: "-21.29", "1e17".
    static fraction parse(const std::string& text) {
        const std::size_t e = text.find('e');
        const std::string mantissa = text.substr(0, e);
        const std::size_t point = mantissa.find('.');
        const std::string digits = point == std::string::npos ? mantissa : mantissa.substr(0, point) + mantissa.substr(point + 1);
        int power = (e == std::string::npos ? 0 : std::stoi(text.substr(e + 1))) -
                    (point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1));
        fraction f = of(std::stoll(digits), 1);
        for (; power > 0; --power) f = f * of(10, 1);
        for (; power < 0; ++power) f = f / of(10, 1);
        return f;
    }
    static std::int64_t product(std::int64_t a, std::int64_t b) {
        std::int64_t result;
        if (__builtin_mul_overflow(a, b, &result)) overflowed();
        return result;
    }
    static std::int64_t sum(std::int64_t a, std::int64_t b) {
        std::int64_t result;
        if (__builtin_add_overflow(a, b, &result)) overflowed();
        return result;
    }
    [[noreturn]] static void overflowed() {
        ADD_FAILURE() << "a fraction outgrew 64 bits";
        std::abort();
    }
    friend fraction operator*(fraction a, fraction b) {
        const fraction x = of(a.n, b.d), y = of(b.n, a.d);
        return of(product(x.n, y.n), product(x.d, y.d));
    }
    friend fraction operator/(fraction a, fraction b) { return a * of(b.d, b.n); }
    friend fraction operator+(fraction a, fraction b) {
        const std::int64_t g = std::gcd(a.d, b.d);
        return of(sum(product(a.n, b.d / g), product(b.n, a.d / g)), product(a.d / g, b.d));
    }
    friend fraction operator-(fraction a, fraction b) { return a + of(-b.n, b.d); }
    double value() const { return static_cast<double>(n) / static_cast<double>(d); }
};

inline const fraction one = fraction::of(1, 1);

// The textbook's record worked exactly: the quotient surface terms, a
// centre on its vertex flat.
struct exact_lens {
    fraction v1, v2, R121, R122, T, R221, R222, S11, S12, S21, S22;

    explicit exact_lens(const std::vector<std::string>& typed) {
        std::vector<fraction> in;
        for (const std::string& text : typed) in.push_back(fraction::parse(text));
        const auto term = [](fraction N, fraction v, fraction s) {
            return (v - s).n == 0 ? fraction::of(0, 1) : (one - N) / (v - s);
        };
        v1 = in[3], v2 = in[4];
        const fraction N01 = in[0] / in[1], N12 = in[1] / in[2];
        R121 = term(N01, v1, in[5]), R122 = N01, T = v2 - v1, R221 = term(N12, v2, in[6]), R222 = N12;
        S11 = R121 * T + one, S12 = R122 * T;
        S21 = S11 * R221 + R121 * R222, S22 = S12 * R221 + R122 * R222;
    }
};

inline lens_values textbook_of(const std::vector<std::string>& typed) {
    lens_values lens = lens_of(std::stod(typed[0]), std::stod(typed[1]), std::stod(typed[2]), std::stod(typed[3]),
                                        std::stod(typed[4]), std::stod(typed[5]), std::stod(typed[6]));
    compute_textbook_lens(lens);
    return lens;
}

inline void expect_close(double got, fraction want, const char* what) {
    EXPECT_NEAR(got, want.value(), 1e-12 * (1 + std::fabs(want.value()))) << what;
}

}  // namespace tremovia::testing
