#pragma once

#include <limits>
#include <type_traits>

#include "lens/lens_values.hpp"

namespace tremovia {

// long double is the x87 80-bit format on x86 only; elsewhere (IEEE quad on
// aarch64 Linux, plain double on macOS arm64 and MSVC) compute_lens computes
// in the software model of that format.
inline constexpr bool long_double_is_x87 = std::numeric_limits<long double>::digits == 64 &&
                                           std::numeric_limits<long double>::max_exponent == 16384;

// Fills the fifteen derived fields of `lens` from its seven inputs.
void compute_lens(lens_values& lens);

// The same fifteen fields as most textbooks compute them, for the page's
// figure and the documentation: each surface term is the quotient
// (1 - N01) / (v1 - s1), (1 - N12) / (v2 - s2) where the program has the
// product; everything else, precision included, is as in compute_lens. A
// centre typed on its vertex (s = v) is the program's flat surface, whose
// product is zero: the quotient would divide by zero there, so the textbook's
// term is that same product, and the surface is flat for both. The dialogue
// never shows these.
void compute_textbook_lens(lens_values& lens);

// How a surface term joins 1 - N and v - s.
enum class surface_terms { product, quotient };

// The fifteen formulas, in their order. Each formula runs in `Extended`
// (constructible from double, explicitly convertible back) and is rounded to
// double when stored, so later formulas read the stored doubles. `terms` is
// chosen at run time: one copy of the formulas keeps the web page small.
template <class Extended>
void compute_lens_in(lens_values& lens, surface_terms terms = surface_terms::product) {
    const auto x = [](double stored) { return Extended(stored); };
    const auto store = [](Extended result) { return static_cast<double>(result); };
    const auto is_zero = [](Extended value) {
        if constexpr (std::is_floating_point_v<Extended>)
            return value == 0;
        else
            return value.is_zero();
    };
    const auto surface = [terms, is_zero](Extended one_minus_n, Extended v_minus_s) {
        const bool flat = is_zero(v_minus_s);
        return terms == surface_terms::product || flat ? one_minus_n * v_minus_s : one_minus_n / v_minus_s;
    };
    const Extended one = x(1.0);

    lens.N01 = store(x(lens.n0) / x(lens.n1));
    lens.N12 = store(x(lens.n1) / x(lens.n2));
    // The program's surface terms are products of the two differences, as it
    // has always computed them.
    lens.R221 = store(surface(one - x(lens.N12), x(lens.v2) - x(lens.s2)));
    lens.R222 = store(x(lens.N12));
    lens.T1212 = store(x(lens.v2) - x(lens.v1));
    lens.R121 = store(surface(one - x(lens.N01), x(lens.v1) - x(lens.s1)));
    lens.R122 = store(x(lens.N01));
    lens.S11 = store((x(lens.R121) * x(lens.T1212)) + one);
    lens.S12 = store(x(lens.R122) * x(lens.T1212));
    lens.S21 = store((x(lens.S11) * x(lens.R221)) + (x(lens.R121) * x(lens.R222)));
    lens.S22 = store((x(lens.S12) * x(lens.R221)) + (x(lens.R122) * x(lens.R222)));
    lens.FI = store(x(lens.v2) - (x(lens.S11) / x(lens.S21)));
    lens.FO = store((x(lens.S22) / x(lens.S21)) + x(lens.v1));
    lens.HI = store(((one - x(lens.S11)) / x(lens.S21)) + x(lens.v2));
    lens.HO = store((x(lens.S12) + x(lens.v1)) +
                    (((one - x(lens.S11)) * x(lens.S22)) / x(lens.S21)));
}

}  // namespace tremovia
