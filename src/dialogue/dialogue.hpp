#pragma once

#include "dialogue/console.hpp"

namespace tremovia {

// The whole run, once: banner, value entry, the calculation, the derivation
// sections, the summary and the final wait. Everything printed has been flushed when it returns.
void run_dialogue(console& io);

}  // namespace tremovia
