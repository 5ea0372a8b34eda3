#pragma once

#include "lens/lens_values.hpp"

namespace tremovia {

// The records of the page's last run or replay: as the program computes
// them, and as the textbook does (its quotient surface terms).
const lens_values& last_program_record();
const lens_values& last_textbook_record();

}  // namespace tremovia
