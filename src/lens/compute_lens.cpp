#include "lens/compute_lens.hpp"

#include <limits>
#include <type_traits>

#include "lens/soft_extended.hpp"

namespace tremovia {
namespace {

// long double is the x87 80-bit format on x86 only; elsewhere (IEEE quad on
// aarch64 Linux, plain double on macOS arm64 and MSVC) the same bits come
// from the software type.
constexpr bool long_double_is_x87 = std::numeric_limits<long double>::digits == 64 &&
                                    std::numeric_limits<long double>::max_exponent == 16384;

#ifdef TREMOVIA_SOFT_EXTENDED
using extended = soft_extended;
#else
using extended = std::conditional_t<long_double_is_x87, long double, soft_extended>;
#endif

}  // namespace

void compute_lens(lens_values& lens) { compute_lens_in<extended>(lens); }

}  // namespace tremovia
