#pragma once

#include "dialogue/console.hpp"
#include "lens/lens_values.hpp"

namespace tremovia {

// The seven sections that show the calculation step by step, each closed by
// a pause: relative indices, the element matrices, the system matrix, and
// the four results with their formulas.
void print_derivation(console& io, const lens_values& lens);

}  // namespace tremovia
