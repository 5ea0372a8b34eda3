// Where long double is the native x87 format: the formulas run in it, under
// the precision and rounding they are defined with, whatever the caller set.
#include <cstdint>

#include "lens/compute_lens.hpp"
#include "lens/x87_control.hpp"

namespace tremovia {

static_assert(long_double_is_x87);

namespace {

void compute_in_x87(lens_values& lens, surface_terms terms) {
    const std::uint16_t callers = x87_control_word();
    set_x87_control_word(with_extended_nearest(callers));
    compute_lens_in<long double>(lens, terms);
    set_x87_control_word(callers);
}

}  // namespace

void compute_lens(lens_values& lens) { compute_in_x87(lens, surface_terms::product); }

void compute_textbook_lens(lens_values& lens) { compute_in_x87(lens, surface_terms::quotient); }

}  // namespace tremovia
