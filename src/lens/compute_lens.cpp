#include "lens/compute_lens.hpp"

#include <type_traits>

#include "lens/soft_extended.hpp"

namespace tremovia {
namespace {

#ifdef TREMOVIA_SOFT_EXTENDED
using extended = soft_extended;
#else
using extended = std::conditional_t<long_double_is_x87, long double, soft_extended>;
#endif

}  // namespace

void compute_lens(lens_values& lens) { compute_lens_in<extended>(lens); }

}  // namespace tremovia
