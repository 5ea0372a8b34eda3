#pragma once

#include "dialogue/console.hpp"
#include "dialogue/value_entry.hpp"
#include "lens/lens_values.hpp"

namespace tremovia {

// The whole run, once: banner, value entry, the calculation, the derivation
// sections, the summary and the final wait. Everything printed has been flushed when it returns.
void run_dialogue(console& io);
// The same on a record the caller owns and can read afterwards (the page
// draws its figure from it), with where each value's text lay if `spans`
// is given (the page tells what a line with more than a number gave).
void run_dialogue(console& io, lens_values& lens, entry_spans* spans = nullptr);

}  // namespace tremovia
