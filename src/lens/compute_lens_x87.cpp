// Where long double is the native x87 format: the formulas run in it, under
// the precision and rounding they are defined with, whatever the caller set.
#include <cstdint>

#include "lens/compute_lens.hpp"
#include "lens/x87_control.hpp"

namespace tremovia {

static_assert(long_double_is_x87);

namespace {

template <surface_terms terms>
void compute_in_x87(lens_values& lens) {
    const std::uint16_t callers = x87_control_word();
    set_x87_control_word(with_extended_nearest(callers));
    compute_lens_in<long double, terms>(lens);
    set_x87_control_word(callers);
}

}  // namespace

void compute_lens(lens_values& lens) { compute_in_x87<surface_terms::product>(lens); }

void compute_textbook_lens(lens_values& lens) { compute_in_x87<surface_terms::quotient>(lens); }

}  // namespace tremovia
