// Where long double is another format (IEEE quad, or plain double), or the
// software type is asked for: the formulas run in the x87 format in software.
#include "lens/compute_lens.hpp"
#include "lens/soft_extended.hpp"

namespace tremovia {

void compute_lens(lens_values& lens) { compute_lens_in<soft_extended>(lens); }

void compute_textbook_lens(lens_values& lens) { compute_lens_in<soft_extended>(lens, surface_terms::quotient); }

}  // namespace tremovia
