#include "lens/compute_lens.hpp"

#include <limits>

namespace tremovia {

static_assert(std::numeric_limits<long double>::digits == 64,
              "tremovia computes in the x87 80-bit extended format; on this "
              "platform long double is another format");

void compute_lens(lens_values& lens) { compute_lens_in<long double>(lens); }

}  // namespace tremovia
